#include "support/DesktopStandIns.h"

#include <QDBusMessage>
#include <QDBusConnectionInterface>
#include <QMutexLocker>
#include <QVariantMap>

#include <atomic>

struct DesktopStandIns::Shared
{
    std::atomic<qint64> idle{0};
    mutable QMutex mutex;
    QList<Notification> notifications;
    QStringList trayItems;
};

namespace {
int s_connections = 0;

class IdleMonitor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    explicit IdleMonitor(DesktopStandIns::Shared* shared) : m_shared(shared) {}
public slots:
    qulonglong GetIdletime() { return qulonglong(m_shared->idle.load()); }
private:
    DesktopStandIns::Shared* m_shared;
};

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Notifications(DesktopStandIns::Shared* shared) : m_shared(shared) {}
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        QMutexLocker lock(&m_shared->mutex);
        const uint id = uint(m_shared->notifications.size() + 1);
        m_shared->notifications << DesktopStandIns::Notification{id, summary, body, actions};
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
private:
    DesktopStandIns::Shared* m_shared;
};

class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    explicit TrayWatcher(DesktopStandIns::Shared* shared) : m_shared(shared) {}
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const
    {
        QMutexLocker lock(&m_shared->mutex);
        return m_shared->trayItems;
    }
public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->trayItems << service;
    }
    void RegisterStatusNotifierHost(const QString&) {}
private:
    DesktopStandIns::Shared* m_shared;
};
} // namespace

PrivateBus::PrivateBus()
{
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--print-address"),
                                                   QStringLiteral("--nofork")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) {
        m_error = QStringLiteral("dbus-daemon did not start: %1").arg(m_daemon.errorString());
        return;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

DesktopStandIns::DesktopStandIns(const QString& busAddress)
    : m_services(QDBusConnection::connectToBus(busAddress, QStringLiteral("hw-standins-%1").arg(++s_connections)))
    , m_program(QDBusConnection::connectToBus(busAddress, QStringLiteral("hw-program-%1").arg(s_connections)))
    , m_shared(new Shared)
{
    m_thread.start();
    serve(new IdleMonitor(m_shared), QStringLiteral("org.gnome.Mutter.IdleMonitor"),
          QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
    serve(new Notifications(m_shared), QStringLiteral("org.freedesktop.Notifications"),
          QStringLiteral("/org/freedesktop/Notifications"));
    // The login manager only sends signals here.
    m_services.registerService(QStringLiteral("org.freedesktop.login1"));
}

DesktopStandIns::~DesktopStandIns()
{
    for (QObject* object : m_objects)
        object->deleteLater();
    m_thread.quit();
    m_thread.wait();
    const QString services = m_services.name(), program = m_program.name();
    m_services = QDBusConnection(QString());
    m_program = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(services);
    QDBusConnection::disconnectFromBus(program);
    delete m_shared;
}

void DesktopStandIns::serve(QObject* object, const QString& service, const QString& path)
{
    object->moveToThread(&m_thread);
    m_objects << object;
    m_services.registerObject(path, object, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    m_services.registerService(service);
}

void DesktopStandIns::setIdle(qint64 msecs)
{
    m_shared->idle = msecs;
}

QList<DesktopStandIns::Notification> DesktopStandIns::notifications() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->notifications;
}

void DesktopStandIns::invokeAction(uint id, const QString& key)
{
    emitSignal(QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
               QStringLiteral("ActionInvoked"), {id, key});
}

void DesktopStandIns::emitSignal(const QString& path, const QString& interface, const QString& name,
                                 const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message.setArguments(arguments);
    m_services.send(message);
}

void DesktopStandIns::startTrayWatcher()
{
    serve(new TrayWatcher(m_shared), QStringLiteral("org.kde.StatusNotifierWatcher"),
          QStringLiteral("/StatusNotifierWatcher"));
}

QStringList DesktopStandIns::trayItems() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->trayItems;
}

#include "DesktopStandIns.moc"
