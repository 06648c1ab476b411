#include "toolkit/DbConnection.h"

#include "toolkit/AppError.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QAtomicInt s_counter;
// The advisory lock of the PostgreSQL write transactions ("HWWR").
constexpr qint64 writeLockKey = 0x48575752;
}

DbConnection::DbConnection(QObject* parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("hw-connection-%1").arg(s_counter.fetchAndAddRelaxed(1)))
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

void DbConnection::fail(const QSqlError& error, const QString& context) const
{
    QString text = errorText(error);
    if (!context.isEmpty())
        text = context + QLatin1String(": ") + text;
    throw DatabaseError(text);
}

void DbConnection::openDatabase(const QString& driver, const QString& name, const QString& options,
                                const std::function<void(QSqlDatabase&)>& configure)
{
    close();
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw DatabaseError(QStringLiteral("The database driver %1 is not installed").arg(driver));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connectionName);
    db.setDatabaseName(name);
    db.setConnectOptions(options);
    if (configure)
        configure(db);
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        fail(error);
    }
}

void DbConnection::openSqlite(const QString& path, int busyTimeoutMs)
{
    // Opening must never create the file: a mistyped path would otherwise
    // start the program on an empty database.
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("The database file %1 does not exist").arg(path));
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                        + QLatin1String("?mode=rw");
    openDatabase(QStringLiteral("QSQLITE"), uri,
                 QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    // A committed interval must survive a crash or power loss; readers must
    // never block the writer.
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=FULL"));
    exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
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
    try {
        openDatabase(QStringLiteral("QSQLITE"), path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=FULL"));
}

void DbConnection::openOdbc(const QString& connectionString, const QString& connectOptions)
{
    openDatabase(QStringLiteral("QODBC"), connectionString, connectOptions);
}

void DbConnection::openPostgres(const QString& host, int port, const QString& database, const QString& user,
                                const QString& password, const QString& connectOptions)
{
    openDatabase(QStringLiteral("QPSQL"), database, connectOptions, [&](QSqlDatabase& db) {
        db.setHostName(host);
        if (port > 0)
            db.setPort(port);
        db.setUserName(user);
        db.setPassword(password);
    });
}

void DbConnection::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    emit aboutToClose();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (m_inTransaction)
            db.rollback();
        m_failedStatements.clear();
        db.close();
    }
    m_inTransaction = false;
    QSqlDatabase::removeDatabase(m_connectionName);
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
    return QSqlDatabase::contains(m_connectionName) ? database().driverName() : QString();
}

bool DbConnection::isSqlite() const
{
    return driverName() == QLatin1String("QSQLITE");
}

bool DbConnection::isPostgres() const
{
    return driverName() == QLatin1String("QPSQL");
}

void DbConnection::beginTransaction()
{
    if (!isOpen())
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    if (m_inTransaction)
        throw DatabaseError(QStringLiteral("A transaction is already active"));
    QSqlDatabase db = database();
    if (isSqlite()) {
        // Take the write lock at once, so a busy database is waited for (up to
        // the busy timeout) here rather than failing midway through the writes.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            fail(begin.lastError());
    } else if (!db.transaction()) {
        fail(db.lastError());
    } else if (isPostgres()) {
        // The same on a server: one lock every writer of the database takes
        // first, held to the end of its transaction. A check that reads
        // before it writes (is an interval already running?) then sees every
        // write committed before it, as on SQLite.
        QSqlQuery lock(db);
        if (!lock.exec(QStringLiteral("select pg_advisory_xact_lock(%1)").arg(writeLockKey))) {
            const QSqlError error = lock.lastError();
            db.rollback();
            fail(error);
        }
    }
    m_inTransaction = true;
}

void DbConnection::commit()
{
    QSqlDatabase db = database();
    if (!m_inTransaction)
        throw DatabaseError(QStringLiteral("No transaction is active"));
    const bool committed = db.commit();
    m_failedStatements.clear();
    if (!committed)
        fail(db.lastError());
    m_inTransaction = false;
}

void DbConnection::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlDatabase db = database();
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
    if (!isOpen())
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(query.lastError());
    return query;
}

void DbConnection::execPrepared(QSqlQuery& query, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, toStorage(values.at(i)));
    if (!query.exec()) {
        // A server will not free a statement while the transaction it failed
        // in is aborted; it is held until the transaction ends.
        if (m_inTransaction)
            m_failedStatements.append(query);
        fail(query.lastError());
    }
}

QSqlQuery DbConnection::exec(const QString& sql, const QVariantList& values)
{
    if (!isOpen())
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (values.isEmpty()) {
        if (!query.exec(sql))
            fail(query.lastError());
        return query;
    }
    if (!query.prepare(sql))
        fail(query.lastError());
    execPrepared(query, values);
    return query;
}

TransactionGuard::TransactionGuard(DbConnection& connection)
    : m_connection(connection)
{
    m_connection.beginTransaction();
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
