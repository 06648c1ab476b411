#include "components/o_ReminderScheduler.h"

#include "components/o_OptionsManager.h"

namespace {
const QString TimeFormat = QStringLiteral("HH:mm");

QTime readTime(const TqvOptionsManager& options, const QString& key, const QTime& fallback)
{
    return Options::toTimeOfDay(options.ReadValue(Options::DesktopSection, key, QString()), fallback);
}
} // namespace

WorkingHours::WorkingHours()
    : days{1, 2, 3, 4, 5}
    , start(9, 0)
    , end(17, 0)
{
}

WorkingHours WorkingHours::read(const TqvOptionsManager& options)
{
    using namespace Options;
    WorkingHours hours;
    bool ok = false;
    const int minutes = options.ReadValue(DesktopSection, ReminderMinutes, 0).toString().trimmed().toInt(&ok);
    hours.reminderMinutes = ok && minutes > 0 ? minutes : 0;
    const QString days = options.ReadValue(DesktopSection, WorkDays, QString()).toString();
    if (!days.trimmed().isEmpty()) {
        QList<int> read;
        for (const QString& day : days.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int number = day.trimmed().toInt(&ok);
            if (ok && number >= 1 && number <= 7 && !read.contains(number))
                read << number;
        }
        hours.days = read;
    }
    hours.start = readTime(options, WorkStart, hours.start);
    hours.end = readTime(options, WorkEnd, hours.end);
    return hours;
}

void WorkingHours::write(TqvOptionsManager& options) const
{
    using namespace Options;
    QStringList dayTexts;
    for (int day : days)
        dayTexts << QString::number(day);
    options.WriteValue(DesktopSection, ReminderMinutes, reminderMinutes);
    // "0" for no day at all: an empty value would read as the default week.
    options.WriteValue(DesktopSection, WorkDays, dayTexts.isEmpty() ? QStringLiteral("0") : dayTexts.join(QLatin1Char(',')));
    options.WriteValue(DesktopSection, WorkStart, start.toString(TimeFormat));
    options.WriteValue(DesktopSection, WorkEnd, end.toString(TimeFormat));
}

bool WorkingHours::contains(const QDateTime& moment) const
{
    const QTime time = moment.time();
    if (start <= end)
        return days.contains(moment.date().dayOfWeek()) && time >= start && time < end;
    // Across midnight: the hours after midnight belong to the day before.
    if (time >= start)
        return days.contains(moment.date().dayOfWeek());
    return time < end && days.contains(moment.date().addDays(-1).dayOfWeek());
}

bool WorkingHours::dayIsOver(const QDateTime& moment) const
{
    const QTime time = moment.time();
    return days.contains(moment.date().dayOfWeek()) && time >= end && (start <= end || time < start);
}

void TqvReminderScheduler::setHours(const WorkingHours& hours)
{
    m_hours = hours;
    m_workingSince = QDateTime();
}

TqvReminderScheduler::Reminder TqvReminderScheduler::tick(const QDateTime& now, qint64 idleMSecs, bool monitoring)
{
    if (m_hours.reminderMinutes <= 0)
        return Reminder::None;
    if (monitoring) {
        m_workingSince = QDateTime();
        if (m_hours.dayIsOver(now) && m_dayEndReminded != now.date()) {
            m_dayEndReminded = now.date();
            return Reminder::StillMonitoring;
        }
        return Reminder::None;
    }
    if (!m_hours.contains(now) || idleMSecs >= AwayMSecs) {
        m_workingSince = QDateTime();
        return Reminder::None;
    }
    if (!m_workingSince.isValid()) {
        m_workingSince = now;
        return Reminder::None;
    }
    if (m_workingSince.msecsTo(now) < qint64(m_hours.reminderMinutes) * 60 * 1000)
        return Reminder::None;
    m_workingSince = now;
    return Reminder::NotMonitoring;
}
