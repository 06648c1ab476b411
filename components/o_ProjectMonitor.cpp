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

// Fast path for the stored form "yyyy-MM-dd HH:mm:ss[.zzz]"; anything else
// goes through the general parser. Returns false for an empty value.
bool storedWallClock(const QVariant& stored, qint64* msecs)
{
    if (stored.isNull())
        return false;
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString();
        auto digits = [&](int from, int count, bool* ok) {
            int value = 0;
            for (int i = from; i < from + count; ++i) {
                const QChar c = text.at(i);
                if (!c.isDigit()) {
                    *ok = false;
                    return 0;
                }
                value = value * 10 + c.digitValue();
            }
            return value;
        };
        if (text.size() >= 19 && text.at(4) == QLatin1Char('-') && text.at(10) == QLatin1Char(' ')) {
            bool ok = true;
            const QDate date(digits(0, 4, &ok), digits(5, 2, &ok), digits(8, 2, &ok));
            const int h = digits(11, 2, &ok), m = digits(14, 2, &ok), s = digits(17, 2, &ok);
            const int ms = text.size() >= 23 && text.at(19) == QLatin1Char('.') ? digits(20, 3, &ok) : 0;
            if (ok && date.isValid()) {
                *msecs = date.toJulianDay() * MSecsPerDay + ((h * 60 + m) * 60 + s) * 1000 + ms;
                return true;
            }
        }
    }
    const QDateTime parsed = DbConnection::parseDateTime(stored);
    if (!parsed.isValid())
        return false;
    *msecs = TqvProjectMonitor::wallClockMSecs(parsed);
    return true;
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

void TqvProjectMonitor::StartMonitoring()
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

void TqvProjectMonitor::StopMonitoring()
{
    StopMonitoringAt(Clock::now());
}

void TqvProjectMonitor::StopMonitoringAt(const QDateTime& end)
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
    if (CommentTyped)
        entry.comment = textValue(Comments);
    write(entry, &m_startTime);
    m_monitoring = false;
}

void TqvProjectMonitor::RecalcTimeSpend()
{
    DbConnection& db = connection();
    struct Row
    {
        int id;
        double hours;
    };
    QList<Row> rows;
    // Read under the write lock, so that a time changed by another client
    // meanwhile is not overwritten with a duration of its old value.
    TransactionGuard transaction(db);
    {
        QSqlQuery read = db.exec(QStringLiteral("select ID,TIME_START,TIME_END from PROJECTWORK"));
        while (read.next()) {
            qint64 start = 0, end = 0;
            // An open interval has no end and so no duration yet.
            if (storedWallClock(read.value(1), &start) && storedWallClock(read.value(2), &end))
                rows.append({read.value(0).toInt(), hoursOfSpan(end - start)});
        }
    }
    QSqlQuery update = db.prepare(QStringLiteral("update PROJECTWORK set TIME_SPEND=:TIME_SPEND where ID=:ID"));
    for (const Row& row : rows)
        db.execPrepared(update, {row.hours, row.id});
    transaction.commit();
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
