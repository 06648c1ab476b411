#include "toolkit/ApplicationControl.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {
std::function<void()> s_handler;
}

void ApplicationControl::terminate()
{
    if (s_handler) {
        s_handler();
        return;
    }
    // Queued, so a terminate asked for before the main loop runs still ends it.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::quit();
}

void ApplicationControl::setTerminateHandler(std::function<void()> handler)
{
    s_handler = std::move(handler);
}
