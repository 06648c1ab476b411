#include "toolkit/DBusIdleSource.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {
QDBusInterface* screenSaver()
{
    static QDBusInterface interface(QStringLiteral("org.freedesktop.ScreenSaver"),
                                    QStringLiteral("/org/freedesktop/ScreenSaver"),
                                    QStringLiteral("org.freedesktop.ScreenSaver"), QDBusConnection::sessionBus());
    return &interface;
}
} // namespace

std::unique_ptr<DBusIdleSource> DBusIdleSource::open()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return nullptr;
    auto source = std::make_unique<DBusIdleSource>();
    return source->idleMSecs() >= 0 ? std::move(source) : nullptr;
}

qint64 DBusIdleSource::idleMSecs()
{
    QDBusInterface* interface = screenSaver();
    if (!interface->isValid())
        return -1;
    const QDBusReply<uint> reply = interface->call(QStringLiteral("GetSessionIdleTime"));
    return reply.isValid() ? qint64(reply.value()) : -1;
}
