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
    // exit(), not quit(): a widget application's quit() first asks every
    // window to close, and the main window refuses (it goes to the tray), so
    // quit() would leave the program running. Queued as well, so that a
    // terminate asked for before the main loop runs still ends it.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    QCoreApplication::exit(0);
}

void ApplicationControl::setTerminateHandler(std::function<void()> handler)
{
    s_handler = std::move(handler);
}
