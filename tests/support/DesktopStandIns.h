#pragma once

#include <QDBusConnection>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QVariantList>

// A message bus of the test's own (dbus-daemon --session), so no test meets
// the desktop of the person running it.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    QString address() const { return m_address; } // empty when the daemon did not start
    QString error() const { return m_error; }

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};

// Stand-ins for the desktop's services on a private bus, serving from a
// thread of their own so that the program's calls, which wait for an
// answer, get one: GNOME's idle monitor, the notification server, the login
// manager's signals and, on request, a tray host's watcher.
class DesktopStandIns
{
public:
    struct Notification
    {
        uint id;
        QString summary;
        QString body;
        QStringList actions; // key, caption, key, caption...
    };

    explicit DesktopStandIns(const QString& busAddress);
    ~DesktopStandIns();

    // A connection of its own for the program under test.
    QDBusConnection programBus() const { return m_program; }

    void setIdle(qint64 msecs);
    QList<Notification> notifications() const;
    // The person presses a button of a notification.
    void invokeAction(uint id, const QString& key);
    // A signal as the named service sends it.
    void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments);
    // Starts the watcher a tray host keeps, then lists the items registered with it.
    void startTrayWatcher();
    QStringList trayItems() const;

    struct Shared; // what the stand-ins record

private:
    QDBusConnection m_services;
    QDBusConnection m_program;
    QThread m_thread;
    Shared* m_shared;
    QList<QObject*> m_objects;
    void serve(QObject* object, const QString& service, const QString& path);
};
