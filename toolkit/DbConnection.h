#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <functional>

// The program's one way to a database: a QSqlDatabase with open, close,
// transactions and statements, where every driver error becomes a
// DatabaseError carrying the driver's own text.
//
// Values bound to statements are converted to the stored form: on SQLite a
// QDateTime becomes "yyyy-MM-dd HH:mm:ss.zzz" and a QDate "yyyy-MM-dd" text,
// so that text comparisons of dates are inclusive and sort correctly. On
// PostgreSQL they are sent as the same text, which the server reads as the
// TIMESTAMP or DATE it is compared with or stored in: local wall-clock time,
// never shifted by the session's time zone.
//
// A write transaction takes the database's write lock at once, on SQLite and
// PostgreSQL alike, so writers from different clients follow one another.
class DbConnection : public QObject
{
    Q_OBJECT
public:
    explicit DbConnection(QObject* parent = nullptr);
    ~DbConnection() override;

    // Opens an existing SQLite file read-write; a missing file is an error and
    // is never created. Waits up to busyTimeoutMs for another writer's lock.
    void openSqlite(const QString& path, int busyTimeoutMs = 5000);
    // Creates a new SQLite file (the database tool and tests only).
    void createSqlite(const QString& path);
    // Opens an ODBC connection from a complete connection string.
    // connectOptions: the driver's, e.g. "SQL_ATTR_LOGIN_TIMEOUT=5".
    void openOdbc(const QString& connectionString, const QString& connectOptions = QString());
    // Opens a PostgreSQL connection. host is a name, an address or the folder
    // of the server's Unix socket; port 0 is the server's default.
    // connectOptions: libpq's, e.g. "connect_timeout=5".
    void openPostgres(const QString& host, int port, const QString& database, const QString& user,
                      const QString& password, const QString& connectOptions = QString());
    void close();

    bool isOpen() const;
    bool isSqlite() const;
    bool isPostgres() const;
    QString driverName() const;
    QSqlDatabase database() const;

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    // Runs a statement with positional values (named :PARAM placeholders are
    // bound in order of appearance). Returns the active query for reading.
    QSqlQuery exec(const QString& sql, const QVariantList& values = {});
    // Prepares a statement once for repeated execution with bind/exec.
    QSqlQuery prepare(const QString& sql);
    // Binds values in order and executes a prepared statement.
    void execPrepared(QSqlQuery& query, const QVariantList& values);

    // The stored form of a value for this connection's driver.
    QVariant toStorage(const QVariant& value) const;

    // Format of stored date-times and dates on SQLite.
    static QString dateTimeStorageFormat() { return QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"); }
    static QString dateStorageFormat() { return QStringLiteral("yyyy-MM-dd"); }
    // Reads a stored date-time (text in either format, or a native value).
    static QDateTime parseDateTime(const QVariant& stored);

    // The driver's text of an error, for messages.
    static QString errorText(const QSqlError& error);

signals:
    // Emitted before the connection closes or is destroyed, so that objects
    // holding it can let go.
    void aboutToClose();

private:
    void openDatabase(const QString& driver, const QString& name, const QString& options,
                      const std::function<void(QSqlDatabase&)>& configure = {});
    [[noreturn]] void fail(const QSqlError& error, const QString& context = QString()) const;

    QString m_connectionName;
    bool m_inTransaction = false;
    QList<QSqlQuery> m_failedStatements;
};

// Begins a transaction and rolls it back on scope exit unless commit() ran.
class TransactionGuard
{
public:
    explicit TransactionGuard(DbConnection& connection);
    ~TransactionGuard();
    void commit();

    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

private:
    DbConnection& m_connection;
    bool m_done = false;
};
