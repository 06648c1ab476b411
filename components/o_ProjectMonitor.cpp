#include "components/o_ProjectMonitor.h"

#include "components/o_Dialect.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>

#include <cmath>
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

QString TqvProjectMonitor::startStatement()
{
    return QStringLiteral("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START)\r"
                          " values (:PROJECT_ID,:DEVELOPER_ID,:TIME_START,:COMMENTS,:DAY_START)");
}

QString TqvProjectMonitor::stopStatement(int workId)
{
    // "and COMPLETED = 0": a row closed meanwhile by another client is not
    // closed a second time.
    return QStringLiteral("update PROJECTWORK set TIME_END=:TIME_END,COMMENTS=:COMMENTS,TIME_SPEND=:TIME_SPEND,\r"
                          "COMPLETED=:COMPLETED,DAY_END=:DAY_END\r"
                          "where ID=%1 and COMPLETED = 0")
        .arg(workId);
}

QString TqvProjectMonitor::openStartStatement(int workId)
{
    return QStringLiteral("select TIME_START from PROJECTWORK where ID=%1 and COMPLETED = 0").arg(workId);
}

QString TqvProjectMonitor::openIntervalStatement()
{
    return QStringLiteral("select ID,TIME_START  from PROJECTWORK where COMPLETED = 0 and DEVELOPER_ID = :DEVELOPER_ID"
                          " order by ")
           + Dialect::newestFirst(QStringLiteral("TIME_START")) + QStringLiteral(", ID desc");
}

int TqvProjectMonitor::GetLastID()
{
    QSqlQuery query = connection().exec(Dialect::lastIdStatement(Dialect::kindOf(connection())));
    if (!query.next())
        throw DatabaseError(QStringLiteral("The key of the new row could not be read"));
    return query.value(0).toInt();
}

WorkAuthor TqvProjectMonitor::author(WorkSource source) const
{
    return {UserName, IsAdmin, source, IsAdmin};
}

void TqvProjectMonitor::StartMonitoring(WorkSource source)
{
    if (m_monitoring)
        return;
    DbConnection& db = connection();
    const QDateTime start = Clock::now();
    try {
        TransactionGuard transaction(db);
        // Checked under the write lock: a Start of the same developer from
        // another client (which checked before it too) cannot slip in
        // between, so the developer never has two open rows.
        if (OneOpenPerDeveloper) {
            QSqlQuery open = db.exec(openIntervalStatement(), {DeveloperID});
            if (open.next() && !open.value(0).isNull())
                throw AppError(QStringLiteral("Interval %1 is already running for this developer since %2, started "
                                              "on another machine or from the command line; nothing was started.")
                                   .arg(open.value(0).toInt())
                                   .arg(DbConnection::parseDateTime(open.value(1))
                                            .toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        }
        m_currentWorkId = int(TWorkWriter(db, author(source))
                                  .insert(startStatement(),
                                          {ProjectID, DeveloperID, start, textValue(Comments), start.date()}));
        transaction.commit();
    } catch (...) {
        m_currentWorkId = 0;
        throw;
    }
    m_startTime = start;
    m_monitoring = true;
}

void TqvProjectMonitor::StopMonitoring(WorkSource source)
{
    StopMonitoringAt(Clock::now(), source);
}

void TqvProjectMonitor::StopMonitoringAt(const QDateTime& end, WorkSource source)
{
    if (!m_monitoring)
        return;
    DbConnection& db = connection();
    int changed = 0;
    {
        TransactionGuard transaction(db);
        // The start may have been corrected elsewhere since it was read: the
        // duration counts from the stored one.
        QDateTime start = m_startTime;
        QSqlQuery open = db.exec(openStartStatement(m_currentWorkId));
        if (open.next() && !open.value(0).isNull())
            start = DbConnection::parseDateTime(open.value(0));
        if (end < start)
            throw AppError(QStringLiteral("The interval %1 starts at %2, after the stop at %3.")
                               .arg(m_currentWorkId)
                               .arg(start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                    end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        m_startTime = start;
        changed = TWorkWriter(db, author(source))
                      .change(m_currentWorkId, stopStatement(m_currentWorkId),
                              {end, textValue(Comments), TimeSpendBetween(start, end), 1, end.date()});
        transaction.commit();
    }
    m_monitoring = false;
    if (changed == 0) {
        const int id = m_currentWorkId;
        m_currentWorkId = 0;
        throw AppError(QStringLiteral("The interval %1 was already stopped elsewhere.").arg(id));
    }
}

int TqvProjectMonitor::RecalcTimeSpend(WorkSource source, const LockedQuestion& confirmLocked)
{
    DbConnection& db = connection();
    struct Row
    {
        int id;
        double hours;
        bool locked;
    };
    QList<Row> rows;
    // Read under the write lock, so that a time changed by another client
    // meanwhile is not overwritten with a duration of its old value.
    TransactionGuard transaction(db);
    const QDate through = TWorkWriter(db, author(source)).lockedThrough();
    int locked = 0;
    {
        QSqlQuery read = db.exec(QStringLiteral("select ID,TIME_START,TIME_END,TIME_SPEND,DAY_START from PROJECTWORK"));
        while (read.next()) {
            qint64 start = 0, end = 0;
            // An open interval has no end and so no duration yet.
            if (!storedWallClock(read.value(1), &start) || !storedWallClock(read.value(2), &end))
                continue;
            const double hours = hoursOfSpan(end - start);
            // Only what really changes is written, and so recorded.
            if (!read.value(3).isNull() && std::abs(read.value(3).toDouble() - hours) < 1e-9)
                continue;
            QDate day = DbConnection::parseDateTime(read.value(4)).date();
            if (!day.isValid())
                day = DbConnection::parseDateTime(read.value(1)).date();
            const bool inLock = through.isValid() && day.isValid() && day <= through;
            locked += inLock ? 1 : 0;
            rows.append({read.value(0).toInt(), hours, inLock});
        }
    }
    const bool withLocked = locked > 0 && IsAdmin && confirmLocked && confirmLocked(locked, through);
    TWorkWriter confirmed(db, {UserName, IsAdmin, source, withLocked});
    int written = 0;
    for (const Row& row : std::as_const(rows)) {
        if (row.locked && !withLocked)
            continue;
        written += confirmed.change(row.id, QStringLiteral("update PROJECTWORK set TIME_SPEND=? where ID=?"),
                                    {row.hours, row.id});
    }
    transaction.commit();
    return written;
}

int TqvProjectMonitor::CheckIncompleteWork()
{
    QSqlQuery query = connection().exec(openIntervalStatement(), {DeveloperID});
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
