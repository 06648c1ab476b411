#include "toolkit/DbConnection.h"

#include "toolkit/AppError.h"
#include "toolkit/StatementWatchdog.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <QUrl>

#include <libpq-fe.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QAtomicInt s_counter;
// The advisory lock of the PostgreSQL write transactions ("HWWR"): alone for
// the whole database, or with a partition as the second of two keys (the
// two forms are separate lock spaces on the server).
constexpr qint64 writeLockKey = 0x48575752;

QString newConnectionName()
{
    return QStringLiteral("hw-connection-%1").arg(s_counter.fetchAndAddRelaxed(1));
}

// A conninfo value in single quotes, as libpq reads it.
QString conninfoValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Whether a PostgreSQL server answers at the address of a connection that
// could not be opened: a refused login or a missing database is the
// server's answer, no answer at all means it cannot be reached.
bool postgresAnswers(const DbConnection::Parameters& parameters)
{
    QStringList conninfo;
    if (!parameters.host.isEmpty())
        conninfo << QStringLiteral("host=") + conninfoValue(parameters.host);
    if (parameters.port > 0)
        conninfo << QStringLiteral("port=%1").arg(parameters.port);
    conninfo << QStringLiteral("dbname=") + conninfoValue(parameters.name);
    QString options = parameters.options;
    conninfo << options.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Whether the server answers at all: a TLS the server does not offer is
    // a refusal of an answering server, not its absence (the last value of
    // a keyword counts).
    conninfo << QStringLiteral("sslmode=prefer");
    return PQping(conninfo.join(QLatin1Char(' ')).toUtf8().constData()) == PQPING_OK;
}

// SQLSTATEs of a server that is there but did not finish in time: a
// statement or lock timeout, or a conflict with another client's writes.
bool busyState(const QString& state)
{
    return state == QLatin1String("57014") || state == QLatin1String("55P03") || state == QLatin1String("40001")
           || state == QLatin1String("40P01") || state == QLatin1String("57P03") || state == QLatin1String("53300");
}

// Whether a PostgreSQL connection is gone: libpq knows, or the server said
// so before it closed it (it shut down, or the session was ended).
bool postgresGone(void* conn, const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    return PQstatus(static_cast<PGconn*>(conn)) == CONNECTION_BAD || state.startsWith(QLatin1String("08"))
           || state == QLatin1String("57P01") || state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

// ODBC's states of a link that failed or timed out.
bool odbcUnavailable(const QSqlError& error)
{
    const QString text = error.nativeErrorCode() + QLatin1Char(' ') + error.text();
    for (const char* state : {"08S01", "08001", "08003", "08007", "HYT00", "HYT01"})
        if (text.contains(QLatin1String(state)))
            return true;
    return false;
}

} // namespace

QString DbConnection::Parameters::target() const
{
    return QStringLiteral("%1|%2|%3|%4").arg(driver, host).arg(port).arg(name);
}

DbConnection::DbConnection(QObject* parent)
    : QObject(parent)
    , m_connectionName(newConnectionName())
{
}

DbConnection::~DbConnection()
{
    close();
}

QString DbConnection::errorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

void* DbConnection::pgConnection() const
{
    if (!QSqlDatabase::contains(m_connectionName))
        return nullptr;
    const QSqlDatabase db = database();
    if (!db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // Qt names the type by its struct or by its typedef, depending on how it was built.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

void DbConnection::arm()
{
    if (m_deadlineMs <= 0)
        return;
    if (void* conn = pgConnection()) {
        m_watched = conn;
        StatementWatchdog::instance().arm(conn, std::chrono::milliseconds(m_deadlineMs));
    }
}

void DbConnection::giveUp()
{
    if (void* conn = m_watched.load())
        StatementWatchdog::instance().cutNow(conn);
}

void DbConnection::fail(const QSqlError& error, const QString& context)
{
    QString text = errorText(error);
    if (!context.isEmpty())
        text = context + QLatin1String(": ") + text;
    bool lost = false;
    bool byDeadline = false;
    if (void* conn = pgConnection()) {
        lost = postgresGone(conn, error);
        byDeadline = lost && StatementWatchdog::instance().fired(conn);
    } else if (driverName() == QLatin1String("QODBC")) {
        lost = odbcUnavailable(error);
    }
    if (lost) {
        m_lost = true;
        m_lostByDeadline = byDeadline;
        m_inTransaction = false;
        m_failedStatements.clear();
        emit connectionLost(text);
        if (byDeadline)
            throw DatabaseUnavailable(
                QStringLiteral("The server did not answer within %1 seconds.").arg((m_deadlineMs + 999) / 1000), text);
        throw DatabaseUnavailable(QStringLiteral("The connection to the server was lost."), text);
    }
    if (busyState(error.nativeErrorCode()))
        throw DatabaseUnavailable(QStringLiteral("The server did not finish in time; another client may be writing "
                                                 "the same records."),
                                  text);
    throw DatabaseError(text);
}

void DbConnection::openDatabase(const Parameters& parameters, bool secondAttempt)
{
    closeDatabase();
    m_parameters = parameters;
    if (!QSqlDatabase::isDriverAvailable(parameters.driver))
        throw DatabaseError(QStringLiteral("The database driver %1 is not installed").arg(parameters.driver));
    QSqlDatabase db = QSqlDatabase::addDatabase(parameters.driver, m_connectionName);
    db.setDatabaseName(parameters.name);
    db.setConnectOptions(parameters.options);
    if (!parameters.host.isEmpty())
        db.setHostName(parameters.host);
    if (parameters.port > 0)
        db.setPort(parameters.port);
    if (!parameters.userName.isEmpty())
        db.setUserName(parameters.userName);
    if (!parameters.password.isEmpty())
        db.setPassword(parameters.password);
    QElapsedTimer opening;
    opening.start();
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        const QString text = errorText(error);
        // A server refuses a login at once; one that took this long did not
        // answer (and is not asked a second time).
        const bool timedOut = opening.elapsed() >= 1500;
        if ((parameters.driver == QLatin1String("QPSQL") && (timedOut || !postgresAnswers(parameters)))
            || (parameters.driver == QLatin1String("QODBC") && odbcUnavailable(error)))
            throw DatabaseUnavailable(QStringLiteral("The server cannot be reached."), text);
        // The server answers: a refused login or a missing database fails
        // again; a link broken midway (the other end closed) does not.
        if (!secondAttempt && parameters.driver == QLatin1String("QPSQL")) {
            openDatabase(parameters, true);
            return;
        }
        throw DatabaseError(text);
    }
    m_lost = false;
    m_lostByDeadline = false;
    m_session.clear();
    if (parameters.driver == QLatin1String("QSQLITE")) {
        // A committed interval must survive a crash or power loss; readers
        // must never block the writer.
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=FULL"));
        exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    }
}

void DbConnection::openSqlite(const QString& path, int busyTimeoutMs)
{
    // Opening must never create the file: a mistyped path would otherwise
    // start the program on an empty database.
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("The database file %1 does not exist").arg(path));
    Parameters parameters;
    parameters.driver = QStringLiteral("QSQLITE");
    parameters.name = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                      + QLatin1String("?mode=rw");
    parameters.options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    openDatabase(parameters);
}

void DbConnection::createSqlite(const QString& path)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("The file %1 already exists").arg(path));
    // The file is its owner's alone (0600); SQLite gives the -wal and -shm
    // files the mode of the database file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DatabaseError(QStringLiteral("The file %1 cannot be created: %2")
                                .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    ::close(fd);
    Parameters parameters;
    parameters.driver = QStringLiteral("QSQLITE");
    parameters.name = path;
    parameters.options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    try {
        openDatabase(parameters);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

void DbConnection::openOdbc(const QString& connectionString, const QString& connectOptions)
{
    Parameters parameters;
    parameters.driver = QStringLiteral("QODBC");
    parameters.name = connectionString;
    parameters.options = connectOptions;
    openDatabase(parameters);
}

void DbConnection::openPostgres(const QString& host, int port, const QString& database, const QString& user,
                                const QString& password, const QString& connectOptions)
{
    Parameters parameters;
    parameters.driver = QStringLiteral("QPSQL");
    parameters.name = database;
    parameters.options = connectOptions;
    parameters.host = host;
    parameters.port = port;
    parameters.userName = user;
    parameters.password = password;
    openDatabase(parameters);
}

void DbConnection::open(const Parameters& parameters)
{
    openDatabase(parameters);
}

void DbConnection::reopenLost()
{
    try {
        reopen();
    } catch (const DatabaseError& error) {
        // It was open a moment ago with the same login: whatever keeps it
        // from opening now passes.
        m_lost = true;
        const QString detail = error.detail().isEmpty() ? error.message() : error.detail();
        emit connectionLost(detail);
        throw DatabaseUnavailable(QStringLiteral("The connection to the server was lost."), detail);
    }
}

void DbConnection::reopen()
{
    if (m_parameters.isEmpty())
        throw DatabaseError(QStringLiteral("The database connection was never open"));
    openDatabase(m_parameters);
}

QString DbConnection::openFor(QThread* thread, const Parameters& parameters, int statementDeadlineMs)
{
    DbConnection opened;
    opened.setStatementDeadline(statementDeadlineMs);
    opened.open(parameters);
    if (void* conn = opened.pgConnection())
        StatementWatchdog::instance().forget(conn);
    opened.database().driver()->moveToThread(thread);
    const QString name = opened.m_connectionName;
    // Left open for the thread that adopts it.
    opened.m_connectionName = newConnectionName();
    return name;
}

void DbConnection::adopt(const QString& openedName, const Parameters& parameters)
{
    closeDatabase();
    m_connectionName = openedName;
    m_parameters = parameters;
    m_lost = false;
    m_lostByDeadline = false;
    m_session.clear();
}

void DbConnection::closeDatabase()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    emit aboutToClose();
    m_watched = nullptr;
    if (void* conn = pgConnection())
        StatementWatchdog::instance().forget(conn);
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (m_inTransaction && !m_lost)
            db.rollback();
        m_failedStatements.clear();
        db.close();
    }
    m_inTransaction = false;
    QSqlDatabase::removeDatabase(m_connectionName);
}

void DbConnection::close()
{
    closeDatabase();
}

bool DbConnection::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && database().isOpen();
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString DbConnection::driverName() const
{
    return QSqlDatabase::contains(m_connectionName) ? database().driverName() : m_parameters.driver;
}

bool DbConnection::isSqlite() const
{
    return driverName() == QLatin1String("QSQLITE");
}

bool DbConnection::isPostgres() const
{
    return driverName() == QLatin1String("QPSQL");
}

void DbConnection::ready()
{
    if (m_availability) {
        const QString reason = m_availability();
        if (!reason.isEmpty())
            throw DatabaseUnavailable(reason);
    }
    // The driver found its link broken while rows were read, without a
    // statement failing: lost all the same.
    if (!m_lost && !m_parameters.isEmpty() && m_parameters.driver != QLatin1String("QSQLITE")
        && QSqlDatabase::contains(m_connectionName) && !database().isOpen()) {
        m_lost = true;
        m_lostByDeadline = false;
        if (m_inTransaction) {
            m_inTransaction = false;
            m_failedStatements.clear();
            emit connectionLost(QString());
            throw DatabaseUnavailable(QStringLiteral("The connection to the server was lost."));
        }
    }
    if (m_lost) {
        // A server that stopped answering is not asked again here: whoever
        // watches the connection opens a new one when it answers again.
        if (m_lostByDeadline || m_parameters.isEmpty())
            throw DatabaseUnavailable(QStringLiteral("The server cannot be reached."));
        reopenLost();
    }
    if (!isOpen())
        throw DatabaseError(QStringLiteral("The database connection is not open"));
}

void DbConnection::retryOnce(const std::function<bool()>& call, const std::function<QSqlError()>& error)
{
    ready();
    arm();
    if (call())
        return;
    QSqlError failure = error();
    void* conn = pgConnection();
    // The server closed the connection (it restarted, or the session was
    // ended): outside a transaction nothing is lost by opening it again and
    // asking once more. A server that did not answer at all is not asked again.
    if (!m_inTransaction && conn && postgresGone(conn, failure) && !StatementWatchdog::instance().fired(conn)) {
        m_lost = true;
        reopenLost();
        arm();
        if (call())
            return;
        failure = error();
    }
    fail(failure);
}

void DbConnection::beginTransaction(int partition)
{
    if (m_inTransaction)
        throw DatabaseError(QStringLiteral("A transaction is already active"));
    const bool sqlite = isSqlite();
    // Take the write lock at once, so a busy database is waited for (up to
    // the busy timeout) here rather than failing midway through the writes.
    QSqlQuery begin;
    retryOnce(
        [&] {
            if (!sqlite)
                return database().transaction();
            begin = QSqlQuery(database());
            return begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
        },
        [&] { return sqlite ? begin.lastError() : database().lastError(); });
    if (isPostgres()) {
        // The same on a server: one lock the writers of a partition (or of
        // the whole database) take first, held to the end of the
        // transaction. A check that reads before it writes (is an interval
        // already running?) then sees every write committed before it, as
        // on SQLite. A partition's writers also share the database's lock,
        // which a writer of the whole database takes alone: the two-key lock
        // is a space of its own and would not keep them apart.
        QSqlQuery lock(database());
        const QString statement =
            partition < 0 ? QStringLiteral("select pg_advisory_xact_lock(%1)").arg(writeLockKey)
                          : QStringLiteral("select pg_advisory_xact_lock_shared(%1), pg_advisory_xact_lock(%1, %2)")
                                .arg(writeLockKey)
                                .arg(partition);
        arm();
        if (!lock.exec(statement)) {
            const QSqlError error = lock.lastError();
            lock = QSqlQuery();
            database().rollback();
            fail(error);
        }
    }
    m_inTransaction = true;
}

void DbConnection::commit()
{
    if (!m_inTransaction)
        throw DatabaseError(QStringLiteral("No transaction is active"));
    QSqlDatabase db = database();
    arm();
    const bool committed = db.commit();
    m_failedStatements.clear();
    m_inTransaction = false;
    if (!committed)
        fail(db.lastError());
}

void DbConnection::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlDatabase db = database();
    arm();
    const bool rolledBack = db.rollback();
    m_failedStatements.clear();
    if (!rolledBack)
        fail(db.lastError());
}

QVariant DbConnection::toStorage(const QVariant& value) const
{
    if ((!isSqlite() && !isPostgres()) || value.isNull())
        return value;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(dateTimeStorageFormat());
    case QMetaType::QDate:
        return value.toDate().toString(dateStorageFormat());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}

QDateTime DbConnection::parseDateTime(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    if (stored.typeId() == QMetaType::QDateTime)
        return stored.toDateTime();
    if (stored.typeId() == QMetaType::QDate)
        return stored.toDate().startOfDay();
    const QString text = stored.toString().trimmed();
    if (text.isEmpty())
        return {};
    QDateTime parsed = QDateTime::fromString(text, dateTimeStorageFormat());
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid()) {
        const QDate date = QDate::fromString(text, dateStorageFormat());
        if (date.isValid())
            parsed = date.startOfDay();
    }
    return parsed;
}

QSqlQuery DbConnection::prepare(const QString& sql)
{
    QSqlQuery query;
    retryOnce(
        [&] {
            query = QSqlQuery(database());
            query.setForwardOnly(true);
            return query.prepare(sql);
        },
        [&] { return query.lastError(); });
    return query;
}

void DbConnection::execPrepared(QSqlQuery& query, const QVariantList& values)
{
    ready();
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, toStorage(values.at(i)));
    arm();
    if (!query.exec()) {
        // A server will not free a statement while the transaction it failed
        // in is aborted; it is held until the transaction ends.
        if (m_inTransaction)
            m_failedStatements.append(query);
        fail(query.lastError());
    }
}

bool DbConnection::next(QSqlQuery& query)
{
    if (query.next())
        return true;
    if (query.lastError().isValid())
        fail(query.lastError());
    return false;
}

QSqlQuery DbConnection::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query;
    const bool inTransaction = m_inTransaction;
    try {
        retryOnce(
            [&] {
                query = QSqlQuery(database());
                query.setForwardOnly(true);
                if (values.isEmpty())
                    return query.exec(sql);
                if (!query.prepare(sql))
                    return false;
                for (int i = 0; i < values.size(); ++i)
                    query.bindValue(i, toStorage(values.at(i)));
                return query.exec();
            },
            [&] { return query.lastError(); });
    } catch (const DatabaseError&) {
        // As in execPrepared: held until the transaction ends.
        if (inTransaction && m_inTransaction && !values.isEmpty())
            m_failedStatements.append(query);
        throw;
    }
    return query;
}

TransactionGuard::TransactionGuard(DbConnection& connection, int partition)
    : m_connection(connection)
{
    m_connection.beginTransaction(partition);
}

TransactionGuard::~TransactionGuard()
{
    if (m_done)
        return;
    try {
        m_connection.rollback();
    } catch (...) {
        // The original error is the one worth reporting.
    }
}

void TransactionGuard::commit()
{
    m_connection.commit();
    m_done = true;
}
