#include "toolkit/SessionSignals.h"

#include "toolkit/DesktopBus.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

namespace {
const QString Login = QStringLiteral("org.freedesktop.login1");
const QString LoginManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString LoginSession = QStringLiteral("org.freedesktop.login1.Session");
} // namespace

SessionSignals::SessionSignals(const QDBusConnection& system, const QDBusConnection& session, QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = system;
    bus.connect(Login, QStringLiteral("/org/freedesktop/login1"), LoginManager, QStringLiteral("PrepareForSleep"),
                this, SLOT(onPrepareForSleep(bool)));
    // Lock and Unlock come from the session's own object; which one is ours
    // the manager tells. Where it does not, any session's signal counts.
    const QDBusMessage reply = DesktopBus::call(
        bus, QDBusMessage::createMethodCall(Login, QStringLiteral("/org/freedesktop/login1"), LoginManager,
                                            QStringLiteral("GetSession"))
                 << QStringLiteral("auto"));
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_sessionPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    bus.connect(Login, QString(), LoginSession, QStringLiteral("Lock"), this, SLOT(onLock(QDBusMessage)));
    bus.connect(Login, QString(), LoginSession, QStringLiteral("Unlock"), this, SLOT(onUnlock(QDBusMessage)));

    QDBusConnection desktop = session;
    for (const QString& saver : {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")})
        desktop.connect(QString(), QString(), saver, QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActive(bool)));
}

bool SessionSignals::ownSession(const QDBusMessage& message) const
{
    return m_sessionPath.isEmpty() || message.path() == m_sessionPath;
}

void SessionSignals::onPrepareForSleep(bool sleeping)
{
    if (sleeping)
        emit leaving(QStringLiteral("sleep"));
    else
        emit back(QStringLiteral("sleep"));
}

void SessionSignals::onLock(const QDBusMessage& message)
{
    if (ownSession(message))
        emit leaving(QStringLiteral("lock"));
}

void SessionSignals::onUnlock(const QDBusMessage& message)
{
    if (ownSession(message))
        emit back(QStringLiteral("lock"));
}

void SessionSignals::onScreenSaverActive(bool active)
{
    if (active)
        emit leaving(QStringLiteral("lock"));
    else
        emit back(QStringLiteral("lock"));
}
