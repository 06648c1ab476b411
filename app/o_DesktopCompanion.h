#pragma once

#include "components/o_ReminderScheduler.h"

#include <QDateTime>
#include <QObject>
#include <QVariant>

#include <memory>

class DesktopNotifications;
class IdleSource;
class QTimer;
class SessionSignals;
class TdmMain;

// What keeps the main window's controller company on the desktop all day:
// reminders during working hours, a lock or suspend stopping (or asking
// about) the running interval, and Start on the last project from the tray
// or a reminder. Starting and stopping always go through the controller's
// own Start and Stop.
class TDesktopCompanion : public QObject
{
    Q_OBJECT
public:
    explicit TDesktopCompanion(TdmMain& main);
    ~TDesktopCompanion() override;

    // The user's choices, read again after the settings window.
    void readSettings();
    // One look at the clock and the desk; runs by itself every half minute.
    void tick();

    // The project Start from the tray or a reminder starts: the one of the
    // developer's newest interval when it is in the list, else the one
    // selected. An invalid key when the list is empty.
    struct Project
    {
        QVariant key;
        QString name;
    };
    Project lastProject() const;
    void startLastProject();
    // Where there is no notification area, closing the window asks whether
    // to end the program; true when the user says so.
    bool confirmEndWithoutTray();

    const TqvReminderScheduler& scheduler() const { return m_scheduler; }

private:
    void remind(TqvReminderScheduler::Reminder reminder);
    void onAction(const QString& key);
    void onLeaving();
    void onBack();
    void updateTrayMenu();
    bool monitoring() const;
    // Runs a command of the controller; what it throws is shown, never lost
    // in a signal of the bus.
    template <typename Command> void guarded(Command command);

    TdmMain& m_main;
    DesktopNotifications* m_notifications = nullptr;
    SessionSignals* m_sessionSignals = nullptr;
    QTimer* m_timer = nullptr;
    TqvReminderScheduler m_scheduler;
    std::unique_ptr<IdleSource> m_idle;
    bool m_idleLookedFor = false;
    int m_onLockOrSuspend = 0;
    QDateTime m_leftAt; // when the person left by a lock or sleep, to be asked about on return
};
