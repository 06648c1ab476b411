#include "toolkit/DBusIdleSource.h"

#include "toolkit/DesktopBus.h"

#include <QDBusMessage>

DBusIdleSource::DBusIdleSource(const QDBusConnection& bus, const QString& service, const QString& path,
                               const QString& interface, const QString& method, const QString& name)
    : m_bus(bus)
    , m_service(service)
    , m_path(path)
    , m_interface(interface)
    , m_method(method)
    , m_name(name)
{
}

std::unique_ptr<DBusIdleSource> DBusIdleSource::answering(std::unique_ptr<DBusIdleSource> source)
{
    return source->idleMSecs() >= 0 ? std::move(source) : nullptr;
}

std::unique_ptr<DBusIdleSource> DBusIdleSource::mutter(const QDBusConnection& bus)
{
    return answering(std::unique_ptr<DBusIdleSource>(new DBusIdleSource(
        bus, QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"),
        QStringLiteral("GNOME idle monitor"))));
}

std::unique_ptr<DBusIdleSource> DBusIdleSource::screenSaver(const QDBusConnection& bus)
{
    // GNOME has this service too but refuses the call; then the answer is an
    // error and the source is not used.
    return answering(std::unique_ptr<DBusIdleSource>(new DBusIdleSource(
        bus, QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"),
        QStringLiteral("freedesktop screen saver"))));
}

qint64 DBusIdleSource::idleMSecs()
{
    const QDBusMessage reply =
        DesktopBus::call(m_bus, QDBusMessage::createMethodCall(m_service, m_path, m_interface, m_method));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    bool ok = false;
    const qint64 idle = reply.arguments().constFirst().toLongLong(&ok);
    return ok && idle >= 0 ? idle : -1;
}
