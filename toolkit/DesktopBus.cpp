#include "toolkit/DesktopBus.h"

#include <optional>

namespace {
std::optional<QDBusConnection>& testBus()
{
    static std::optional<QDBusConnection> bus;
    return bus;
}
} // namespace

QDBusConnection DesktopBus::session()
{
    return testBus() ? *testBus() : QDBusConnection::sessionBus();
}

QDBusConnection DesktopBus::system()
{
    return testBus() ? *testBus() : QDBusConnection::systemBus();
}

void DesktopBus::useForTests(const QDBusConnection& bus)
{
    if (bus.isConnected())
        testBus() = bus;
    else
        testBus().reset();
}

QDBusMessage DesktopBus::call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs)
{
    if (!bus.isConnected())
        return QDBusMessage::createError(QDBusError::Disconnected, QStringLiteral("No message bus"));
    return bus.call(message, QDBus::Block, timeoutMs);
}
