#include "components/o_ProjectMonitor.h"

#include "components/o_Dialect.h"
#include "components/o_EntryWriter.h"
#include "components/o_JournalLink.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>

#include <cstdlib>

namespace {

constexpr qint64 MSecsPerDay = 24 * 60 * 60 * 1000;

// Comments are written as empty text, never NULL.
QString textValue(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

double hoursOfSpan(qint64 spanMSecs)
{
    const qint64 minutes = std::llabs(spanMSecs) / 60000;
    return double(minutes) / 60.0;
}

} // namespace

TqvProjectMonitor::TqvProjectMonitor(QObject* owner)
    : QObject(owner)
{
}

TqvProjectMonitor::~TqvProjectMonitor() = default;

void TqvProjectMonitor::setAdoConnection(DbConnection* connection)
{
    // QPointer lets go by itself when the connection is destroyed.
    m_connection = connection;
}

DbConnection& TqvProjectMonitor::connection() const
{
    if (!m_connection)
        throw AppError(QStringLiteral("The project monitor has no database connection"));
    return *m_connection;
}

qint64 TqvProjectMonitor::wallClockMSecs(const QDateTime& moment)
{
    return moment.date().toJulianDay() * MSecsPerDay + moment.time().msecsSinceStartOfDay();
}

double TqvProjectMonitor::TimeSpendBetween(const QDateTime& a, const QDateTime& b)
{
    return hoursOfSpan(wallClockMSecs(b) - wallClockMSecs(a));
}

int TqvProjectMonitor::GetLastID()
{
    QSqlQuery query = connection().exec(Dialect::lastIdStatement(Dialect::kindOf(connection())));
    if (!query.next())
        throw DatabaseError(QStringLiteral("The key of the new row could not be read"));
    return query.value(0).toInt();
}

std::optional<int> TqvProjectMonitor::write(JournalEntry& entry, QDateTime* storedStart)
{
    std::optional<TEntryWriter::Outcome> outcome;
    if (m_link) {
        outcome = m_link->submit(entry);
    } else {
        TIntervalUser user;
        user.developerId = DeveloperID;
        user.isAdmin = IsAdmin;
        user.userName = UserName;
        TEntryWriter writer(connection(), user);
        writer.OneOpenPerDeveloper = OneOpenPerDeveloper;
        outcome = writer.write(entry);
    }
    if (!outcome)
        return std::nullopt;
    switch (outcome->kind) {
    case TEntryWriter::Outcome::Written:
        if (storedStart && outcome->start.isValid())
            *storedStart = outcome->start;
        return outcome->workId;
    case TEntryWriter::Outcome::Gone:
        // The interval ended elsewhere: nothing runs here any more.
        m_monitoring = false;
        m_currentWorkId = 0;
        m_startRef.clear();
        throw AppError(outcome->message);
    case TEntryWriter::Outcome::Refused:
        break;
    }
    if (outcome->byDatabase)
        throw DatabaseError(outcome->message);
    throw AppError(outcome->message);
}

void TqvProjectMonitor::StartMonitoring(WorkSource source)
{
    if (m_monitoring)
        return;
    if (!m_link)
        connection();
    JournalEntry entry;
    entry.action = JournalEntry::Start;
    entry.moment = Clock::now();
    entry.developerId = DeveloperID;
    entry.projectId = ProjectID;
    entry.comment = textValue(Comments);
    entry.source = source;
    // An administrator's Start and Stop are never asked about the locked period.
    entry.lockConfirmed = IsAdmin;
    try {
        const std::optional<int> id = write(entry, nullptr);
        m_currentWorkId = id.value_or(0);
        m_startRef = id ? QString() : entry.writeId;
    } catch (...) {
        m_currentWorkId = 0;
        m_startRef.clear();
        throw;
    }
    m_startTime = entry.moment;
    m_monitoring = true;
}

void TqvProjectMonitor::StartWritten(const QString& startRef, int workId)
{
    if (startRef.isEmpty() || startRef != m_startRef)
        return;
    m_startRef.clear();
    m_currentWorkId = workId;
}

void TqvProjectMonitor::StartRefused(const QString& startRef)
{
    if (startRef.isEmpty() || startRef != m_startRef)
        return;
    m_startRef.clear();
    m_currentWorkId = 0;
    m_monitoring = false;
}

void TqvProjectMonitor::StopMonitoring(WorkSource source)
{
    StopMonitoringAt(Clock::now(), source);
}

void TqvProjectMonitor::StopMonitoringAt(const QDateTime& end, WorkSource source)
{
    if (!m_monitoring)
        return;
    if (!m_link)
        connection();
    JournalEntry entry;
    entry.action = JournalEntry::Stop;
    entry.moment = end;
    entry.developerId = DeveloperID;
    entry.workId = m_currentWorkId;
    entry.startRef = m_startRef;
    entry.source = source;
    entry.lockConfirmed = IsAdmin;
    if (CommentTyped)
        entry.comment = textValue(Comments);
    write(entry, &m_startTime);
    m_monitoring = false;
}

int TqvProjectMonitor::RecalcTimeSpend(const std::function<bool(qint64 done, qint64 total)>& progress)
{
    // Keys per statement: enough to keep the statements few, few enough that
    // progress moves and a cancel is heard within a moment.
    constexpr qint64 KeysPerStep = 100000;
    DbConnection& db = connection();
    // Under the write lock, so that a time changed by another client
    // meanwhile is not overwritten with a duration of its old value.
    TransactionGuard transaction(db);
    QSqlQuery range = db.exec(QStringLiteral("select min(ID), max(ID) from PROJECTWORK"));
    qint64 first = 0;
    qint64 last = -1;
    if (range.next() && !range.value(0).isNull()) {
        first = range.value(0).toLongLong();
        last = range.value(1).toLongLong();
    }
    range.finish();
    const int kind = Dialect::kindOf(db);
    // Only the rows whose duration really changes are written, and so
    // recorded: a database with nothing to correct gains no history.
    TWorkWriter writer(db, {UserName, IsAdmin, WorkSource::Window, false});
    const QString hours = Dialect::recalcHoursExpression(kind);
    const QString condition = Dialect::recalcCondition(kind);
    const qint64 total = last - first + 1;
    int left = 0;
    for (qint64 from = first - 1; from < last; from += KeysPerStep) {
        const qint64 to = std::min(from + KeysPerStep, last);
        left += writer.changeMany(QStringLiteral("TIME_SPEND"), hours, condition, {from, to}).left;
        if (progress && !progress(to - first + 1, total))
            throw AppError(QStringLiteral("Recalculate Time Spend was cancelled; no duration was changed."));
    }
    transaction.commit();
    return left;
}

int TqvProjectMonitor::CheckIncompleteWork()
{
    QSqlQuery query = connection().exec(TEntryWriter::openIntervalStatement(), {DeveloperID});
    m_startRef.clear();
    if (query.next() && !query.value(0).isNull()) {
        m_monitoring = true;
        m_startTime = DbConnection::parseDateTime(query.value(1));
        m_currentWorkId = query.value(0).toInt();
    } else {
        m_monitoring = false;
        m_currentWorkId = 0;
    }
    return m_currentWorkId;
}
