#include "components/o_EntryWriter.h"

#include "components/o_Dialect.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace {

QString momentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Comments are written as empty text, never NULL; a missing one keeps the stored text.
QVariant commentValue(const std::optional<QString>& comment)
{
    if (!comment)
        return QVariant(QMetaType(QMetaType::QString));
    return comment->isNull() ? QStringLiteral("") : *comment;
}

TEntryWriter::Outcome written(int workId, const QDateTime& start = QDateTime())
{
    TEntryWriter::Outcome outcome;
    outcome.workId = workId;
    outcome.start = start;
    return outcome;
}

TEntryWriter::Outcome notWritten(TEntryWriter::Outcome::Kind kind, const QString& message, int workId = 0)
{
    TEntryWriter::Outcome outcome;
    outcome.kind = kind;
    outcome.message = message;
    outcome.workId = workId;
    return outcome;
}

} // namespace

TEntryWriter::TEntryWriter(DbConnection& connection, const TIntervalUser& user)
    : m_connection(connection)
    , m_user(user)
{
}

QString TEntryWriter::startStatement()
{
    return QStringLiteral("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START)\r"
                          " values (:PROJECT_ID,:DEVELOPER_ID,:TIME_START,:COMMENTS,:DAY_START)");
}

QString TEntryWriter::stopStatement(int workId)
{
    // "and COMPLETED = 0": a row closed meanwhile by another client is not
    // closed a second time. A comment left out (NULL) keeps the stored one,
    // which may have been written elsewhere while the interval ran.
    return QStringLiteral("update PROJECTWORK set TIME_END=:TIME_END,COMMENTS=coalesce(:COMMENTS,COMMENTS),"
                          "TIME_SPEND=:TIME_SPEND,\r"
                          "COMPLETED=:COMPLETED,DAY_END=:DAY_END\r"
                          "where ID=%1 and COMPLETED = 0")
        .arg(workId);
}

QString TEntryWriter::openIntervalStatement()
{
    return QStringLiteral("select ID,TIME_START  from PROJECTWORK where COMPLETED = 0 and DEVELOPER_ID = :DEVELOPER_ID"
                          " order by ")
           + Dialect::newestFirst(QStringLiteral("TIME_START")) + QStringLiteral(", ID desc");
}

TIntervalEditor::Project TEntryWriter::findProject(const QList<TIntervalEditor::Project>& choices,
                                                   const QString& wanted, const QString& userName)
{
    // Digits name a project by its ID; a project whose name is all digits is
    // still found by its name when no ID matches.
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    const QString name = wanted.trimmed();
    QList<TIntervalEditor::Project> found;
    if (digits.match(name).hasMatch())
        for (const auto& p : choices)
            if (p.id == name.toInt() && found.isEmpty())
                found << p;
    if (found.isEmpty())
        for (const auto& p : choices)
            if (p.name.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                found << p;
    if (found.isEmpty())
        throw AppError(QStringLiteral("No project %1 among the projects of user %2.").arg(name, userName));
    if (found.size() > 1) {
        QStringList ids;
        for (const auto& p : found)
            ids << QString::number(p.id);
        throw AppError(QStringLiteral("The project name %1 is ambiguous (IDs %2); give the ID.")
                           .arg(name, ids.join(QLatin1String(", "))));
    }
    return found.first();
}

TEntryWriter::Outcome TEntryWriter::write(const JournalEntry& entry)
{
    const int developerId = entry.developerId != 0 ? entry.developerId : m_user.developerId;
    try {
        // Looked up before the transaction: on a server a failed look would end it.
        const bool withIds = !entry.writeId.isEmpty() && WriteIds::available(m_connection);
        switch (entry.action) {
        case JournalEntry::Start:
            return start(entry, developerId, withIds);
        case JournalEntry::Stop:
            return stop(entry, developerId, withIds);
        case JournalEntry::Edit:
            return edit(entry, withIds);
        }
        return notWritten(Outcome::Refused, QStringLiteral("An unknown action cannot be written."));
    } catch (const DatabaseUnavailable&) {
        throw;
    } catch (const LockedPeriodError& error) {
        Outcome outcome = notWritten(Outcome::Refused, error.message());
        outcome.lockedThrough = error.through();
        return outcome;
    } catch (const DatabaseError& error) {
        Outcome outcome = notWritten(Outcome::Refused, error.message());
        outcome.byDatabase = true;
        return outcome;
    } catch (const AppError& error) {
        return notWritten(Outcome::Refused, error.message());
    }
}

TEntryWriter::Outcome TEntryWriter::start(const JournalEntry& entry, int developerId, bool withIds)
{
    TransactionGuard transaction(m_connection, developerId);
    if (withIds) {
        if (const std::optional<int> done = WriteIds::applied(m_connection, entry.writeId))
            return written(*done, entry.moment);
    }
    int projectId = entry.projectId;
    if (projectId == 0 && !entry.projectText.isEmpty())
        projectId = findProject(TIntervalEditor(m_connection, Dialect::kindOf(m_connection)).projectsOf(m_user, true),
                                entry.projectText, entry.userName)
                        .id;
    // Checked under the write lock: a Start of the same developer from
    // another client (which checked before it too) cannot slip in between,
    // so the developer never has two open rows.
    if (OneOpenPerDeveloper) {
        QSqlQuery open = m_connection.exec(openIntervalStatement(), {developerId});
        if (m_connection.next(open) && !open.value(0).isNull()) {
            const int openId = open.value(0).toInt();
            const QDateTime openStart = DbConnection::parseDateTime(open.value(1));
            // Without write IDs, the open row of this very start (whose answer
            // was lost) is known by its moment.
            if (!withIds && !entry.writeId.isEmpty() && openStart == entry.moment)
                return written(openId, openStart);
            throw AppError(QStringLiteral("Interval %1 is already running for this developer since %2, started "
                                          "on another machine or from the command line; nothing was started.")
                               .arg(openId)
                               .arg(openStart.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        }
    }
    const int id = int(TWorkWriter(m_connection, userOf(entry).author())
                           .insert(startStatement(), {projectId, developerId, entry.moment,
                                                      entry.comment.value_or(QStringLiteral("")), entry.moment.date()}));
    if (withIds)
        WriteIds::record(m_connection, entry.writeId, id);
    transaction.commit();
    return written(id, entry.moment);
}

TIntervalUser TEntryWriter::userOf(const JournalEntry& entry) const
{
    TIntervalUser user = m_user;
    if (user.userName.isEmpty())
        user.userName = entry.userName;
    user.source = entry.source;
    user.lockConfirmed = user.isAdmin && (entry.lockConfirmed || m_user.lockConfirmed);
    user.actedAt = entry.recorded;
    return user;
}

int TEntryWriter::intervalOf(const JournalEntry& entry)
{
    if (entry.workId != 0)
        return entry.workId;
    if (entry.startRef.isEmpty())
        return 0;
    if (StartedInterval)
        if (const int id = StartedInterval(entry.startRef))
            return id;
    if (WriteIds::available(m_connection))
        if (const std::optional<int> id = WriteIds::applied(m_connection, entry.startRef))
            return *id;
    throw AppError(QStringLiteral("The Start it belongs to was not written."));
}

TEntryWriter::Outcome TEntryWriter::stop(const JournalEntry& entry, int developerId, bool withIds)
{
    TransactionGuard transaction(m_connection, developerId);
    if (withIds) {
        if (const std::optional<int> done = WriteIds::applied(m_connection, entry.writeId))
            return written(*done);
    }
    int workId = intervalOf(entry);
    if (workId == 0 && entry.startRef.isEmpty()) {
        // A Stop kept without knowing the interval ends the developer's open one.
        QSqlQuery open = m_connection.exec(openIntervalStatement(), {developerId});
        if (m_connection.next(open) && !open.value(0).isNull())
            workId = open.value(0).toInt();
        else
            return notWritten(Outcome::Gone, QStringLiteral("No interval was open to stop."));
    }
    // The start may have been corrected elsewhere since it was read: the
    // duration counts from the stored one.
    QSqlQuery row = m_connection.exec(
        QStringLiteral("select TIME_START, COMPLETED, TIME_END from PROJECTWORK where ID = :ID"), {workId});
    if (!m_connection.next(row))
        return notWritten(Outcome::Gone, QStringLiteral("The interval %1 was deleted elsewhere.").arg(workId), workId);
    const QDateTime start = DbConnection::parseDateTime(row.value(0));
    if (row.value(1).toInt() != 0) {
        if (!withIds && !entry.writeId.isEmpty() && DbConnection::parseDateTime(row.value(2)) == entry.moment)
            return written(workId, start);
        return notWritten(Outcome::Gone, QStringLiteral("The interval %1 was already stopped elsewhere.").arg(workId),
                          workId);
    }
    row.finish();
    if (start.isValid() && entry.moment < start)
        throw AppError(QStringLiteral("The interval %1 starts at %2, after the stop at %3.")
                           .arg(workId)
                           .arg(momentText(start), momentText(entry.moment)));
    // A running interval is stopped whatever the locked period: the writer
    // lets a change through that keeps its start and project.
    const int changed = TWorkWriter(m_connection, userOf(entry).author())
                            .change(workId, stopStatement(workId),
                                    {entry.moment, commentValue(entry.comment),
                                     TqvProjectMonitor::TimeSpendBetween(start.isValid() ? start : entry.moment,
                                                                         entry.moment),
                                     1, entry.moment.date()});
    // No row changed: closed meanwhile, or not ours to change (the server's
    // row security refuses silently).
    if (changed == 0)
        return notWritten(Outcome::Gone, QStringLiteral("The interval %1 was already stopped elsewhere.").arg(workId),
                          workId);
    if (withIds)
        WriteIds::record(m_connection, entry.writeId, workId);
    transaction.commit();
    return written(workId, start);
}

TEntryWriter::Outcome TEntryWriter::edit(const JournalEntry& entry, bool withIds)
{
    const int workId = intervalOf(entry);
    TIntervalEditor editor(m_connection, Dialect::kindOf(m_connection));
    const TInterval current = editor.require(m_user, workId);
    TIntervalChange change;
    change.id = workId;
    change.projectId = entry.projectId != 0 ? entry.projectId : current.projectId;
    if (entry.projectId == 0 && !entry.projectText.isEmpty())
        change.projectId = findProject(editor.projectsOf(m_user), entry.projectText, entry.userName).id;
    change.start = entry.newStart.isValid() ? entry.newStart : current.start;
    change.end = current.running() ? QDateTime() : (entry.newEnd.isValid() ? entry.newEnd : current.end);
    change.comment = entry.comment.value_or(current.comment);
    const QString refused = TIntervalEditor::refusal(current, change, std::max(entry.moment, Clock::now()));
    if (!refused.isEmpty())
        throw AppError(refused);
    if (!entry.allowOverlap) {
        const QList<TInterval> overlaps = editor.overlapping(current.developerId, change.start, change.end, workId);
        if (!overlaps.isEmpty())
            throw AppError(QStringLiteral("It would overlap %1; nothing was written.")
                               .arg(TIntervalEditor::describe(overlaps.first())));
    }
    const TInterval stored = editor.update(userOf(entry), change, entry.expected, withIds ? entry.writeId : QString());
    return written(stored.id, stored.start);
}
