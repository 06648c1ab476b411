#pragma once

#include <QDBusConnection>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <QVariantList>

// A message bus of the test's own (dbus-daemon --session).
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    QString address; // empty when the daemon did not start

private:
    QProcess m_daemon;
};

// Stand-ins for the desktop's services on a bus, serving from a thread of
// their own so that the program's calls, which wait for an answer, get one:
// GNOME's idle monitor, the notification server, the login manager (its
// signals) and, on request, a tray host's watcher. They record what the
// program sent.
class DesktopStandIns
{
public:
    explicit DesktopStandIns(const QString& busAddress);
    ~DesktopStandIns();

    QDBusConnection programBus() const { return m_program; } // for the program under test
    void startTrayWatcher();
    void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments);

    // Shared with the serving thread, under the mutex.
    QMutex mutex;
    qint64 idle = 0;
    QList<QStringList> notifications; // summary, body, then the actions' keys and captions
    QStringList trayItems;

private:
    void serve(QObject* object, const QString& service, const QString& path);
    QDBusConnection m_services;
    QDBusConnection m_program;
    QThread m_thread;
};
