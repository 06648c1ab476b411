#include "components/o_HandEntries.h"

#include "components/o_ProjectMonitor.h"
#include "components/o_ReportTotals.h"
#include "components/o_Schema.h"
#include "components/o_WeekSheet.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QLocale>
#include <QScopeGuard>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr qint64 MSecsPerDay = 24LL * 60 * 60 * 1000;

// The moment `minutes` after `from` on the clock on the wall, which is how
// durations are counted, whatever the time zone does in between.
QDateTime wallClockPlus(const QDateTime& from, qint64 minutes)
{
    const qint64 msecs = TqvProjectMonitor::wallClockMSecs(from) + minutes * 60000;
    return QDateTime(QDate::fromJulianDay(msecs / MSecsPerDay),
                     QTime::fromMSecsSinceStartOfDay(int(msecs % MSecsPerDay)));
}

QString dayText(const QDate& day)
{
    return QLocale().toString(day, QStringLiteral("ddd d MMM yyyy"));
}

QString momentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

THandEntries::THandEntries(DbConnection& connection, int kind)
    : m_connection(connection)
    , m_editor(connection, kind)
{
}

QString THandEntries::insertStatement(bool handMark)
{
    // DAY_START and DAY_END are written too, so that hand entries are found
    // by reports over a date range and by the week grid.
    return QStringLiteral("insert into PROJECTWORK "
                          "(PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,DAY_START,DAY_END,"
                          "COMMENTS%1)\r"
                          " values (:PROJECT_ID,:DEVELOPER_ID,:TIME_START,:TIME_END,:TIME_SPEND,:COMPLETED,:DAY_START,"
                          ":DAY_END,:COMMENTS%2)")
        .arg(handMark ? QStringLiteral(",HAND_ENTRY") : QString(), handMark ? QStringLiteral(",1") : QString());
}

QString THandEntries::upgradeNeededText()
{
    return QStringLiteral("This database cannot tell time entered by hand from recorded time yet, so the week "
                          "cannot be changed here (it can be looked at). The database needs "
                          "\"hourwright-db upgrade\", once, by its administrator.");
}

void THandEntries::apply(const TIntervalUser& user, int developerId, const QList<TCellChange>& changes)
{
    // Every change of the grid comes through here, in one transaction: the
    // rules on whose time, which projects and which intervals may change
    // are kept in this one place. Under the developer's own write lock:
    // nobody else's week or Start waits for it.
    TransactionGuard transaction(m_connection, developerId);
    m_allowed.reset();
    if (!Schema::hasHandEntryMark(m_connection))
        throw AppError(upgradeNeededText());
    if (!TIntervalEditor::mayChange(user, developerId))
        throw AppError(QStringLiteral("Only an administrator may change another developer's time."));
    WorkAuthor author = user.author();
    author.source = WorkSource::WeekEntry;
    m_writer.emplace(m_connection, author);
    const auto done = qScopeGuard([this] { m_writer.reset(); });
    for (const TCellChange& change : changes)
        setCell(user, developerId, change);
    transaction.commit();
}

QString THandEntries::cellName(const TCellChange& change)
{
    QSqlQuery query =
        m_connection.exec(QStringLiteral("select DESCRIPTION from PROJECTS where ID = :ID"), {change.projectId});
    const QString name = query.next() ? query.value(0).toString() : QString();
    return QStringLiteral("%1 on %2").arg(TWeekSheet::projectName(change.projectId, name), dayText(change.day));
}

void THandEntries::setCell(const TIntervalUser& user, int developerId, const TCellChange& change)
{
    if (change.minutes < 0 || change.minutes > DayMinutes)
        throw AppError(QStringLiteral("%1: a day holds at most 24:00, not %2.")
                           .arg(cellName(change), TReportTotals::hoursText(change.minutes)));
    const QList<TWeekInterval> cell =
        TWeekSheet::read(m_connection, true, developerId, change.day, change.day, change.projectId);
    if (change.onlyWhenEmpty && !cell.isEmpty())
        return;
    qint64 current = 0;
    for (const TWeekInterval& interval : cell)
        current += interval.minutes;
    if (change.minutes > current)
        add(user, developerId, change, cell, change.minutes - current);
    else if (change.minutes < current)
        reduce(change, cell, current - change.minutes);
}

void THandEntries::add(const TIntervalUser& user, int developerId, const TCellChange& change,
                       const QList<TWeekInterval>& cell, qint64 minutes)
{
    if (!m_allowed)
        m_allowed = m_editor.projectsOf(user);
    if (std::none_of(m_allowed->begin(), m_allowed->end(),
                     [&](const TIntervalEditor::Project& project) { return project.id == change.projectId; }))
        throw AppError(QStringLiteral("%1: the project is not among your projects, so no time can be added to it.")
                           .arg(cellName(change)));

    // After the day's last interval, whatever its project, and not before
    // the working day starts.
    QDateTime start(change.day, WorkingDayStart);
    const QList<TInterval> ofTheDay =
        m_editor.overlapping(developerId, QDateTime(change.day, QTime(0, 0)), QDateTime(change.day.addDays(1), QTime(0, 0)));
    for (const TInterval& other : ofTheDay) {
        if (other.running())
            throw AppError(QStringLiteral("%1: %2 is still running; stop it before adding time to that day.")
                               .arg(cellName(change), TIntervalEditor::describe(other)));
        start = std::max(start, other.end);
    }
    if (start.date() != change.day)
        throw AppError(QStringLiteral("%1: the day is full; its last interval ends at %2.")
                           .arg(cellName(change), momentText(start)));
    const QDateTime end = wallClockPlus(start, minutes);
    const QList<TInterval> overlaps = m_editor.overlapping(developerId, start, end);
    if (!overlaps.isEmpty())
        throw AppError(QStringLiteral("%1: %2 from %3 would overlap %4. Enter that time with Special Entry where "
                                      "it fits.")
                           .arg(cellName(change), TReportTotals::hoursText(minutes), momentText(start),
                                TIntervalEditor::describe(overlaps.first())));

    // The cell's newest hand entry grows when it ends where the time goes.
    const auto newest = std::find_if(cell.rbegin(), cell.rend(), [](const TWeekInterval& i) { return i.hand; });
    if (newest != cell.rend() && newest->end == start && newest->comment == change.comment) {
        setEnd(*newest, wallClockPlus(newest->start, newest->minutes + minutes));
        return;
    }
    m_writer->insert(insertStatement(true),
                     {change.projectId, developerId, start, end, TqvProjectMonitor::TimeSpendBetween(start, end), 1,
                      start.date(), end.date(), change.comment.isNull() ? QStringLiteral("") : change.comment});
}

void THandEntries::reduce(const TCellChange& change, const QList<TWeekInterval>& cell, qint64 minutes)
{
    QList<TWeekInterval> entries;
    qint64 hand = 0;
    qint64 current = 0;
    for (const TWeekInterval& interval : cell) {
        current += interval.minutes;
        if (interval.hand) {
            entries << interval;
            hand += interval.minutes;
        }
    }
    if (hand < minutes)
        throw AppError(QStringLiteral("%1: of its %2, %3 were recorded, and the week grid changes only time "
                                      "entered by hand. Correct recorded intervals with Edit Interval in the main "
                                      "window.")
                           .arg(cellName(change), TReportTotals::hoursText(current),
                                TReportTotals::hoursText(current - hand)));
    std::sort(entries.begin(), entries.end(), [](const TWeekInterval& a, const TWeekInterval& b) {
        return a.start != b.start ? a.start > b.start : a.id > b.id;
    });
    qint64 left = minutes;
    for (const TWeekInterval& entry : std::as_const(entries)) {
        if (left <= 0)
            break;
        if (entry.minutes > left) {
            setEnd(entry, wallClockPlus(entry.start, entry.minutes - left));
            break;
        }
        if (m_writer->change(entry.id, QStringLiteral("delete from PROJECTWORK where ID = :ID and HAND_ENTRY = 1"),
                             {entry.id})
            != 1)
            throw AppError(QStringLiteral("Interval %1 changed meanwhile; nothing was written.").arg(entry.id));
        left -= entry.minutes;
    }
}

void THandEntries::setEnd(const TWeekInterval& entry, const QDateTime& end)
{
    const int changed = m_writer->change(
        entry.id,
        QStringLiteral("update PROJECTWORK set TIME_END=:TIME_END,TIME_SPEND=:TIME_SPEND,DAY_END=:DAY_END\n"
                       "where ID=:ID and HAND_ENTRY = 1 and COMPLETED = 1"),
        {end, TqvProjectMonitor::TimeSpendBetween(entry.start, end), end.date(), entry.id});
    if (changed != 1)
        throw AppError(QStringLiteral("Interval %1 changed meanwhile; nothing was written.").arg(entry.id));
}
