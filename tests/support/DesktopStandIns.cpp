#include "support/DesktopStandIns.h"

#include <QDBusMessage>
#include <QMutexLocker>
#include <QVariantMap>

namespace {
class IdleMonitor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    DesktopStandIns* d;
public slots:
    qulonglong GetIdletime()
    {
        QMutexLocker lock(&d->mutex);
        return qulonglong(d->idle);
    }
};

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    DesktopStandIns* d;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        QMutexLocker lock(&d->mutex);
        d->notifications << (QStringList{summary, body} + actions);
        return uint(d->notifications.size());
    }
};

class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    DesktopStandIns* d;
    bool hostRegistered() const { return true; }
public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        QMutexLocker lock(&d->mutex);
        d->trayItems << service;
    }
};

template <typename T> T* standIn(DesktopStandIns* d)
{
    T* object = new T;
    object->d = d;
    return object;
}
} // namespace

PrivateBus::PrivateBus()
{
    m_daemon.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
    if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

DesktopStandIns::DesktopStandIns(const QString& busAddress)
    : m_services(QDBusConnection::connectToBus(busAddress, "hw-standins"))
    , m_program(QDBusConnection::connectToBus(busAddress, "hw-program"))
{
    m_thread.start();
    serve(standIn<IdleMonitor>(this), "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core");
    serve(standIn<Notifications>(this), "org.freedesktop.Notifications", "/org/freedesktop/Notifications");
    m_services.registerService("org.freedesktop.login1");
}

DesktopStandIns::~DesktopStandIns()
{
    m_thread.quit();
    m_thread.wait();
    m_services = m_program = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus("hw-standins");
    QDBusConnection::disconnectFromBus("hw-program");
}

void DesktopStandIns::serve(QObject* object, const QString& service, const QString& path)
{
    object->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, object, &QObject::deleteLater);
    m_services.registerObject(path, object, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    m_services.registerService(service);
}

void DesktopStandIns::startTrayWatcher()
{
    serve(standIn<TrayWatcher>(this), "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher");
}

void DesktopStandIns::emitSignal(const QString& path, const QString& interface, const QString& name,
                                 const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message.setArguments(arguments);
    m_services.send(message);
}

#include "DesktopStandIns.moc"
