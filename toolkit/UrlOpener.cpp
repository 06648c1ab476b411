#include "toolkit/UrlOpener.h"

#include <QDesktopServices>

namespace {
UrlOpener::Handler s_handler;
}

bool UrlOpener::open(const QUrl& url)
{
    if (s_handler)
        return s_handler(url);
    return QDesktopServices::openUrl(url);
}

void UrlOpener::setHandler(Handler handler)
{
    s_handler = std::move(handler);
}
