#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

// The message buses the desktop's services are reached on: the session bus
// (idle monitor, notifications, screen saver, tray hosts) and the system bus
// (the login manager's sleep and lock signals). Tests hand in a private bus
// of their own for both.
class DesktopBus
{
public:
    static QDBusConnection session();
    static QDBusConnection system();

    // Test control: every later session() and system() is this connection;
    // a disconnected one (the default argument) goes back to the real buses.
    static void useForTests(const QDBusConnection& bus = QDBusConnection(QString()));

    // A call to a desktop service that answers within the time given, or not
    // at all: a hung service never holds the window longer than that.
    static QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs = 500);
};
