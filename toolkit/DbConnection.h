#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <functional>

class QThread;

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
// A write transaction takes a write lock at once, on SQLite and PostgreSQL
// alike, so writers from different clients follow one another: on SQLite
// the file's, on PostgreSQL one per partition, so that writers of different
// partitions never wait on each other.
//
// A server that cannot be reached, a connection that was lost and a server
// that did not answer in time raise DatabaseUnavailable: the same call may
// succeed later. Every call on a PostgreSQL connection is bounded by the
// statement deadline. A connection the server closed is opened again, with
// the parameters it was first opened with, by the next call outside a
// transaction, which then runs once more.
class DbConnection : public QObject
{
    Q_OBJECT
public:
    // What a connection was opened with; kept in memory only, so that it can
    // be opened again exactly so.
    struct Parameters
    {
        QString driver;
        QString name;
        QString options;
        QString host;
        int port = 0;
        QString userName;
        QString password;
        bool isEmpty() const { return driver.isEmpty(); }
        // Which database this is (driver, server and database), without the login.
        QString target() const;
    };

    // A transaction's write lock covers the whole database unless it names a
    // partition (a number of 0 or more).
    static constexpr int WholeDatabase = -1;

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
    // Opens a server connection with the given parameters.
    void open(const Parameters& parameters);
    // Opens again with the parameters of the last open.
    void reopen();
    void close();

    // The parameters of the last open (empty before any).
    const Parameters& parameters() const { return m_parameters; }
    // Opens a connection with the parameters on the calling thread and hands
    // it over to thread, where a DbConnection takes it with adopt(). A server
    // that is slow to answer then keeps the calling thread waiting, not the
    // one that uses the connection.
    static QString openFor(QThread* thread, const Parameters& parameters, int statementDeadlineMs);
    // Closes this connection and goes on with one opened by openFor().
    void adopt(const QString& openedName, const Parameters& parameters);

    bool isOpen() const;
    bool isSqlite() const;
    bool isPostgres() const;
    QString driverName() const;
    QSqlDatabase database() const;

    // How long a call on a PostgreSQL connection may wait for its server
    // (0: for ever); passed, the connection is cut and the call fails.
    void setStatementDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    int statementDeadline() const { return m_deadlineMs; }
    // Asked before every call: a non-empty answer is why the server is not
    // to be asked now, and the call fails at once with it.
    void setAvailabilityCheck(std::function<QString()> check) { m_availability = std::move(check); }
    // Whether the connection was lost and is not open again yet.
    bool isLost() const { return m_lost; }
    // From any thread: a call waiting on the server now fails at once (the
    // thread that uses the connection is to end, and must not wait).
    void giveUp();

    // Values that hold for this connection until it is opened again (what
    // its database offers, found once).
    QVariant sessionValue(const QString& key) const { return m_session.value(key); }
    void setSessionValue(const QString& key, const QVariant& value) { m_session.insert(key, value); }

    void beginTransaction(int partition = WholeDatabase);
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
    // The next row of a query of this connection: false at the end, and the
    // error raised when the link broke while the rows were read (a server
    // hands them over one by one, so a break would otherwise look like the end).
    bool next(QSqlQuery& query);

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
    // The connection was lost (detail: the driver's text).
    void connectionLost(const QString& detail);

private:
    void openDatabase(const Parameters& parameters, bool secondAttempt = false);
    // Opens a lost connection again; any failure is DatabaseUnavailable.
    void reopenLost();
    void closeDatabase();
    // Throws DatabaseUnavailable when the server is not to be asked now, and
    // opens a lost connection again when it may be.
    void ready();
    // Runs call; when the server had closed the connection, opens it again
    // and runs call once more (only outside a transaction).
    void retryOnce(const std::function<bool()>& call, const std::function<QSqlError()>& error);
    void arm();
    void* pgConnection() const;
    [[noreturn]] void fail(const QSqlError& error, const QString& context = QString());

    QString m_connectionName;
    Parameters m_parameters;
    bool m_inTransaction = false;
    bool m_lost = false;
    bool m_lostByDeadline = false;
    int m_deadlineMs = 0;
    std::function<QString()> m_availability;
    QVariantHash m_session;
    QList<QSqlQuery> m_failedStatements;
    std::atomic<void*> m_watched{nullptr}; // the PGconn the watchdog knows
};

// Begins a transaction and rolls it back on scope exit unless commit() ran.
class TransactionGuard
{
public:
    explicit TransactionGuard(DbConnection& connection, int partition = DbConnection::WholeDatabase);
    ~TransactionGuard();
    void commit();

    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

private:
    DbConnection& m_connection;
    bool m_done = false;
};
