#include "toolkit/DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

void DesktopNotifications::notify(const QString& summary, const QString& body, const QList<Action>& actions)
{
    if (!m_bus.isConnected()) {
        emit notShown(summary, body, QStringLiteral("There is no session bus."));
        return;
    }
    QStringList flatActions;
    for (const Action& action : actions)
        flatActions << action.first << action.second;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // Stays until the person answers: a reminder that vanishes unseen is none.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.hourwright.Hourwright")},
                            {QStringLiteral("urgency"), QVariant::fromValue<uchar>(1)}};
    call << QStringLiteral("Hourwright") << m_shown << QStringLiteral("org.hourwright.Hourwright") << summary << body
         << flatActions << hints << 0;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            emit notShown(summary, body, reply.error().message());
        else
            m_shown = reply.value();
    });
}

void DesktopNotifications::onActionInvoked(uint id, const QString& key)
{
    if (id != 0 && id == m_shown)
        emit actionInvoked(key);
}

void DesktopNotifications::onClosed(uint id, uint)
{
    if (id == m_shown)
        m_shown = 0;
}
