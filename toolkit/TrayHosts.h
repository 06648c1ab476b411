#pragma once

#include <QDBusConnection>

// Whether the desktop has a notification area for a tray icon: a
// StatusNotifierItem host's watcher on the session bus, or an XEmbed tray on
// the X display.
class TrayHosts
{
public:
    static bool statusNotifierWatcher(const QDBusConnection& bus);
    static bool xembedTray();
    // Asks the toolkit only when one of the two is there: it decides once
    // per run whether to use the watcher, so asking earlier would leave a
    // panel that starts after the program without its icon.
    static bool available(const QDBusConnection& bus);
};
