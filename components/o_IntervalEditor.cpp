#include "components/o_IntervalEditor.h"

#include "components/o_Dialect.h"
#include "components/o_Duration.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QLocale>
#include <QSqlQuery>

#include <algorithm>

namespace {

QString momentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

qint64 wholeMinutes(const QDateTime& from, const QDateTime& to)
{
    return std::max<qint64>(0, (TqvProjectMonitor::wallClockMSecs(to) - TqvProjectMonitor::wallClockMSecs(from)))
           / 60000;
}

// Comments are stored as empty text, never NULL.
QString textValue(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

TIntervalEditor::TIntervalEditor(DbConnection& connection, int kind)
    : m_connection(connection)
    , m_kind(kind)
{
}

bool TIntervalEditor::mayChange(const TIntervalUser& user, int ownerDeveloperId)
{
    if (user.isAdmin)
        return true;
    return user.developerId != 0 && user.developerId == ownerDeveloperId;
}

QString TIntervalEditor::selectStatement() const
{
    return QStringLiteral("select PW.ID, PW.PROJECT_ID, PW.DEVELOPER_ID, P.DESCRIPTION as PROJECT_NAME,"
                          " %1 as DEVELOPER_NAME, PW.TIME_START, PW.TIME_END, PW.TIME_SPEND, PW.COMPLETED,"
                          " PW.COMMENTS\n"
                          "from PROJECTWORK PW\n"
                          "left join PROJECTS P on P.ID = PW.PROJECT_ID\n"
                          "left join DEVELOPERS DEV on DEV.ID = PW.DEVELOPER_ID\n")
        .arg(Dialect::fullName(m_kind, QStringLiteral("DEV.")));
}

QString TIntervalEditor::updateStatement(bool running)
{
    // The completed mark is part of the condition: a running interval stopped
    // meanwhile elsewhere is not rewritten as if it still ran, nor the reverse.
    if (running)
        return QStringLiteral("update PROJECTWORK set TIME_START=:TIME_START,DAY_START=:DAY_START,COMMENTS=:COMMENTS\n"
                              "where ID=:ID and COMPLETED = 0");
    return QStringLiteral("update PROJECTWORK set PROJECT_ID=:PROJECT_ID,TIME_START=:TIME_START,TIME_END=:TIME_END,"
                          "TIME_SPEND=:TIME_SPEND,DAY_START=:DAY_START,DAY_END=:DAY_END,COMMENTS=:COMMENTS\n"
                          "where ID=:ID and COMPLETED = 1");
}

QString TIntervalEditor::deleteStatement()
{
    return QStringLiteral("delete from PROJECTWORK where ID=:ID");
}

QList<TInterval> TIntervalEditor::read(const QString& where, const QVariantList& values, const QString& order)
{
    QString sql = selectStatement() + QStringLiteral("where ") + where;
    if (!order.isEmpty())
        sql += QStringLiteral("\norder by ") + order;
    QSqlQuery query = m_connection.exec(sql, values);
    QList<TInterval> rows;
    while (m_connection.next(query)) {
        TInterval row;
        row.id = query.value(0).toInt();
        row.projectId = query.value(1).toInt();
        row.developerId = query.value(2).toInt();
        row.projectName = query.value(3).toString();
        row.developerName = query.value(4).toString();
        row.start = DbConnection::parseDateTime(query.value(5));
        row.end = DbConnection::parseDateTime(query.value(6));
        row.hours = query.value(7).toDouble();
        row.completed = query.value(8).toInt() == 1;
        row.comment = query.value(9).toString();
        rows << row;
    }
    return rows;
}

std::optional<TInterval> TIntervalEditor::find(int id)
{
    const QList<TInterval> rows = read(QStringLiteral("PW.ID = :ID"), {id});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

TInterval TIntervalEditor::require(const TIntervalUser& user, int id)
{
    const std::optional<TInterval> found = find(id);
    if (!found)
        throw AppError(QStringLiteral("There is no interval %1; it may have been deleted meanwhile.").arg(id));
    if (!mayChange(user, found->developerId))
        throw AppError(QStringLiteral("Interval %1 belongs to %2; only an administrator may change another "
                                      "developer's time.")
                           .arg(id)
                           .arg(found->developerName.trimmed().isEmpty()
                                    ? QStringLiteral("developer %1").arg(found->developerId)
                                    : found->developerName));
    return *found;
}

QList<TInterval> TIntervalEditor::overlapping(int developerId, const QDateTime& start, const QDateTime& end,
                                              int excludeId)
{
    const QDateTime now = Clock::now();
    const QDateTime until = end.isValid() ? end : std::max(now, start);
    const qint64 from = TqvProjectMonitor::wallClockMSecs(start);
    const qint64 to = TqvProjectMonitor::wallClockMSecs(until);
    if (to <= from)
        return {}; // an empty interval shares no time with anything

    // Candidates: intervals that began in the look-back window before the
    // start and not after the end (the day index), and every running one.
    QList<TInterval> candidates =
        read(QStringLiteral("PW.DEVELOPER_ID = :DEVELOPER_ID and PW.DAY_START >= :FIRST_DAY and PW.DAY_START <= :LAST_DAY"),
             {developerId, start.date().addDays(-OverlapLookBackDays), until.date()});
    for (const TInterval& open : read(QStringLiteral("PW.COMPLETED = 0 and PW.DEVELOPER_ID = :DEVELOPER_ID"),
                                      {developerId}))
        if (std::none_of(candidates.begin(), candidates.end(), [&](const TInterval& c) { return c.id == open.id; }))
            candidates << open;

    QList<TInterval> found;
    for (const TInterval& other : std::as_const(candidates)) {
        if (other.id == excludeId || !other.start.isValid())
            continue;
        const QDateTime otherEnd = other.end.isValid() ? other.end : (other.running() ? now : other.start);
        const qint64 otherFrom = TqvProjectMonitor::wallClockMSecs(other.start);
        const qint64 otherTo = TqvProjectMonitor::wallClockMSecs(otherEnd);
        // Touching ends (one stops when the next starts) is no overlap.
        if (otherFrom < to && otherTo > from)
            found << other;
    }
    std::sort(found.begin(), found.end(), [](const TInterval& a, const TInterval& b) {
        return a.start != b.start ? a.start < b.start : a.id < b.id;
    });
    return found;
}

QString TIntervalEditor::refusal(const TInterval& current, const TIntervalChange& change, const QDateTime& now)
{
    if (!change.start.isValid())
        return QStringLiteral("The start is not a valid date and time.");
    if (current.running()) {
        if (change.projectId != current.projectId || change.end.isValid())
            return QStringLiteral("Interval %1 is still running: only its start and comment can change. "
                                  "Stop it first to change its project or stop.")
                .arg(current.id);
        if (change.start > now)
            return QStringLiteral("The start (%1) lies in the future; a running interval starts before now.")
                .arg(momentText(change.start));
        return QString();
    }
    if (!change.end.isValid())
        return QStringLiteral("The stop is not a valid date and time.");
    if (change.end < change.start)
        return QStringLiteral("The stop (%1) is earlier than the start (%2); nothing was written.")
            .arg(momentText(change.end), momentText(change.start));
    if (timesChanged(current, change))
        return futureRefusal(change.start, change.end, now);
    return QString();
}

bool TIntervalEditor::timesChanged(const TInterval& current, const TIntervalChange& change)
{
    return change.start != current.start || (!current.running() && change.end != current.end);
}

QString TIntervalEditor::futureRefusal(const QDateTime& start, const QDateTime& end, const QDateTime& now)
{
    const auto later = [&now](const char* what, const QDateTime& moment) {
        return QStringLiteral("The %1 (%2) is later than now (%3); nothing was written.")
            .arg(QLatin1String(what), momentText(moment), momentText(now));
    };
    if (start.isValid() && start > now)
        return later("start", start);
    if (end.isValid() && end > now)
        return later("stop", end);
    return QString();
}

QString TIntervalEditor::timesRefusal(const QDateTime& start, const QDateTime& end, const QDateTime& now)
{
    if (!start.isValid())
        return QStringLiteral("The start is not a valid date and time.");
    if (!end.isValid())
        return QStringLiteral("The stop is not a valid date and time.");
    if (end < start)
        return QStringLiteral("The stop (%1) is earlier than the start (%2); nothing was written.")
            .arg(momentText(end), momentText(start));
    if (const QString future = futureRefusal(start, end, now); !future.isEmpty())
        return future;
    if (end == start)
        return QStringLiteral("The interval has no length: it starts and stops at %1; nothing was written.")
            .arg(start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    return QString();
}

int TIntervalEditor::partitionFor(const TIntervalUser& user, int id)
{
    // Writers of one developer's intervals follow one another; others never
    // wait for them. A user changes only their own developer's intervals.
    if (Dialect::isFile(m_kind))
        return DbConnection::WholeDatabase;
    if (!user.isAdmin)
        return user.developerId;
    QSqlQuery owner = m_connection.exec(QStringLiteral("select DEVELOPER_ID from PROJECTWORK where ID = :ID"), {id});
    return m_connection.next(owner) ? owner.value(0).toInt() : DbConnection::WholeDatabase;
}

QString TIntervalEditor::changedSince(const TInterval& read, const TInterval& now)
{
    auto moment = [](const QDateTime& value) {
        return value.isValid() ? momentText(value) : QStringLiteral("none");
    };
    QStringList changes;
    if (now.projectId != read.projectId)
        changes << QStringLiteral("its project is now %1 (was project %2)")
                       .arg(now.projectName.isEmpty() ? QStringLiteral("project %1").arg(now.projectId) : now.projectName)
                       .arg(read.projectId);
    if (now.start != read.start)
        changes << QStringLiteral("its start is now %1 (was %2)").arg(moment(now.start), moment(read.start));
    if (now.completed != read.completed)
        changes << (now.completed ? QStringLiteral("it was stopped at %1").arg(moment(now.end))
                                  : QStringLiteral("it runs again"));
    else if (now.end != read.end)
        changes << QStringLiteral("its stop is now %1 (was %2)").arg(moment(now.end), moment(read.end));
    if (now.comment != read.comment)
        changes << QStringLiteral("its comment is now \"%1\" (was \"%2\")").arg(now.comment, read.comment);
    return changes.join(QStringLiteral("; "));
}

TInterval TIntervalEditor::update(const TIntervalUser& user, const TIntervalChange& change,
                                  const std::optional<TInterval>& expected, const QString& writeId)
{
    TransactionGuard transaction(m_connection, partitionFor(user, change.id));
    if (!writeId.isEmpty()) {
        if (WriteIds::applied(m_connection, writeId)) {
            const std::optional<TInterval> stored = find(change.id);
            transaction.commit();
            if (stored)
                return *stored;
        }
    }
    const TInterval current = require(user, change.id);
    if (expected) {
        const QString changed = changedSince(*expected, current);
        if (!changed.isEmpty())
            throw AppError(QStringLiteral("Interval %1 was changed elsewhere since it was read: %2. Nothing was "
                                          "written; open it again to see it as it is now.")
                               .arg(change.id)
                               .arg(changed));
    }
    const QString refused = refusal(current, change, Clock::now());
    if (!refused.isEmpty())
        throw AppError(refused);
    if (change.projectId != current.projectId) {
        const QList<Project> allowed = projectsOf(user);
        if (std::none_of(allowed.begin(), allowed.end(), [&](const Project& p) { return p.id == change.projectId; }))
            throw AppError(QStringLiteral("Project %1 is not among your projects.").arg(change.projectId));
    }

    TWorkWriter writer(m_connection, user.author());
    const int changed =
        current.running()
            ? writer.change(change.id, updateStatement(true),
                            {change.start, change.start.date(), textValue(change.comment), change.id})
            : writer.change(change.id, updateStatement(false),
                            {change.projectId, change.start, change.end,
                             TqvProjectMonitor::TimeSpendBetween(change.start, change.end), change.start.date(),
                             change.end.date(), textValue(change.comment), change.id});
    if (changed != 1)
        throw AppError(current.running()
                           ? QStringLiteral("Interval %1 was stopped meanwhile; nothing was written.").arg(change.id)
                           : QStringLiteral("Interval %1 changed meanwhile; nothing was written.").arg(change.id));
    if (!writeId.isEmpty())
        WriteIds::record(m_connection, writeId, change.id);
    const std::optional<TInterval> stored = find(change.id);
    transaction.commit();
    return stored ? *stored : current;
}

TInterval TIntervalEditor::remove(const TIntervalUser& user, int id)
{
    TransactionGuard transaction(m_connection, partitionFor(user, id));
    const TInterval current = require(user, id);
    if (TWorkWriter(m_connection, user.author()).change(id, deleteStatement(), {id}) != 1)
        throw AppError(QStringLiteral("There is no interval %1; it may have been deleted meanwhile.").arg(id));
    transaction.commit();
    return current;
}

QList<TInterval> TIntervalEditor::list(int developerId, const QDate& from, const QDate& to)
{
    QString where = QStringLiteral("PW.DEVELOPER_ID = :DEVELOPER_ID");
    QVariantList values{developerId};
    if (from.isValid()) {
        where += QStringLiteral(" and PW.DAY_START >= :FIRST_DAY");
        values << from;
    }
    if (to.isValid()) {
        where += QStringLiteral(" and PW.DAY_START <= :LAST_DAY");
        values << to;
    }
    return read(where, values, Dialect::newestFirst(QStringLiteral("PW.TIME_START")) + QStringLiteral(", PW.ID desc"));
}

QString TIntervalEditor::projectsStatement(const TIntervalUser& user, bool finishedToo)
{
    if (user.isAdmin)
        return QStringLiteral("select P.ID, P.DESCRIPTION, P.CUSTOMER_ID from PROJECTS P order by P.DESCRIPTION, P.ID");
    // A finished project takes no more time; one without the mark is open.
    return QStringLiteral("select distinct P.ID, P.DESCRIPTION, P.CUSTOMER_ID"
                          " from DEVELOPER_PROJECTS DP"
                          " join PROJECTS P on P.ID = DP.PROJECT_ID"
                          " where DP.DEVELOPER_ID = %1%2"
                          " order by P.DESCRIPTION, P.ID")
        .arg(user.developerId)
        .arg(finishedToo ? QString() : QStringLiteral(" and coalesce(P.IS_FINISHED, 0) = 0"));
}

QList<TIntervalEditor::Project> TIntervalEditor::projectsOf(const TIntervalUser& user, bool finishedToo)
{
    QSqlQuery query = m_connection.exec(projectsStatement(user, finishedToo));
    QList<Project> projects;
    while (query.next())
        projects.append({query.value(0).toInt(), query.value(1).toString(), query.value(2).toInt()});
    return projects;
}

QString TIntervalEditor::durationText(qint64 minutes)
{
    return Duration::text(minutes);
}

QString TIntervalEditor::noDeveloperText(const QString& userName)
{
    return QStringLiteral("User %1 is linked to no developer, and time is recorded for a developer; nothing was "
                          "recorded. An administrator links the user to a developer in Tables > Users (the "
                          "Developer column).")
        .arg(userName);
}

QString TIntervalEditor::describe(const TInterval& interval, const QDateTime& now)
{
    const QString project =
        interval.projectName.isEmpty() ? QStringLiteral("project %1").arg(interval.projectId) : interval.projectName;
    if (!interval.end.isValid()) {
        const QDateTime until = now.isValid() ? now : Clock::now();
        return QStringLiteral("%1, %2, running (%3 h so far)")
            .arg(project, momentText(interval.start), durationText(wholeMinutes(interval.start, until)));
    }
    const QString end = interval.end.date() == interval.start.date()
                            ? interval.end.toString(QStringLiteral("HH:mm"))
                            : momentText(interval.end);
    return QStringLiteral("%1, %2 to %3 (%4 h)")
        .arg(project, momentText(interval.start), end, durationText(wholeMinutes(interval.start, interval.end)));
}

bool TIntervalEditor::overlapsAccepted(const QList<TInterval>& overlaps, QWidget* parent)
{
    if (overlaps.isEmpty())
        return true;
    QStringList lines;
    for (const TInterval& other : overlaps)
        lines << QStringLiteral("- ") + TIntervalEditor::describe(other);
    const auto answer = MessageService::show(
        MessageService::Request::make(QStringLiteral("Hourwright"),
                                      QStringLiteral("This interval overlaps %1 of the same developer:\n%2\n\n"
                                                     "Write it all the same?")
                                          .arg(overlaps.size() == 1 ? QStringLiteral("another interval")
                                                                    : QStringLiteral("%1 other intervals")
                                                                          .arg(overlaps.size()),
                                               lines.join(QLatin1Char('\n'))),
                                      QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
        parent);
    return answer == QMessageBox::Yes;
}
