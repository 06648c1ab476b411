#pragma once

#include <QUrl>

#include <functional>

// Opens web and mail addresses and files in the desktop's own programs.
// Tests replace the opener and read what would have been opened.
class UrlOpener
{
public:
    using Handler = std::function<bool(const QUrl&)>;

    static bool open(const QUrl& url);
    static void setHandler(Handler handler); // empty handler: the desktop again
};
