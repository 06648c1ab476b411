#pragma once

#include <QDateTime>
#include <QList>

class TqvOptionsManager;

// The working week the reminders keep to, as the user set it.
struct WorkingHours
{
    WorkingHours(); // Monday to Friday, 09:00 to 17:00, no reminders

    int reminderMinutes = 0; // 0: no reminders at all
    QList<int> days; // Monday is 1
    QTime start;
    QTime end;

    // A value that cannot be read keeps its default.
    static WorkingHours read(const TqvOptionsManager& options);
    void write(TqvOptionsManager& options) const;
    // Whether a moment lies in the working time of a working day (a start
    // after the end means hours across midnight).
    bool contains(const QDateTime& moment) const;
    // Whether the working time of that day is over.
    bool dayIsOver(const QDateTime& moment) const;
};

// Decides when to remind: a person at the desk for the chosen minutes of
// working time with no interval running (again after as many minutes while
// that lasts), and, once a day, an interval still running after the end of
// the working day.
class TqvReminderScheduler
{
public:
    enum class Reminder { None, NotMonitoring, StillMonitoring };
    // Without input this long the person is away; the count starts again on return.
    static constexpr qint64 AwayMSecs = 5 * 60 * 1000;

    void setHours(const WorkingHours& hours);
    const WorkingHours& hours() const { return m_hours; }
    // idleMSecs: the desktop's idle time, -1 when it cannot tell (the
    // person then counts as present).
    Reminder tick(const QDateTime& now, qint64 idleMSecs, bool monitoring);
    // Since when the person has been at work without an interval.
    QDateTime workingSince() const { return m_workingSince; }

private:
    WorkingHours m_hours;
    QDateTime m_workingSince;
    QDate m_dayEndReminded;
};
