#pragma once

#include <QDBusConnection>
#include <QObject>

// Tells when the person leaves and comes back without a word to the program:
// the machine goes to sleep and wakes (the login manager's PrepareForSleep),
// or the session is locked and unlocked (the login manager's Lock and
// Unlock, the screen savers' ActiveChanged).
class SessionSignals : public QObject
{
    Q_OBJECT
public:
    // The login manager is asked on the system bus, the screen savers on the
    // session bus.
    SessionSignals(const QDBusConnection& system, const QDBusConnection& session, QObject* parent = nullptr);

signals:
    void leaving(const QString& why); // "sleep" or "lock"
    void back(const QString& why);

private slots:
    void onPrepareForSleep(bool sleeping);
    void onLock(const QDBusMessage& message);
    void onUnlock(const QDBusMessage& message);
    void onScreenSaverActive(bool active);

private:
    bool ownSession(const QDBusMessage& message) const;

    QString m_sessionPath; // empty when the login manager did not say which session is ours
};
