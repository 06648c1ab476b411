#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class DbConnection;
struct ConnectionSettings;

// The database kinds of the option DatabaseType and everything that differs
// between them: SQL, connecting, where the rows live. Kind 0 is the embedded
// SQLite file, kind 1 SQL Server, kind 2 PostgreSQL. Nothing outside this
// layer asks which kind it is talking to.
namespace Dialect {

enum Kind { LocalFile = 0, SqlServer = 1, PostgreSql = 2 };

bool isKnownKind(int kind);
// Whether the database is a file on this machine (kind 0) rather than a server.
bool isFile(int kind);
// Whether each person can be a login of the server's own, which then checks
// the password and guards who may do what (PostgreSQL).
bool hasPersonalLogins(int kind);
// Whether joins are written nested in parentheses, the form the embedded
// file's statements have always had; the servers take plain joins.
bool nestedJoins(int kind);

// The ODBC string for SQL Server through FreeTDS. Every value is braced,
// so a ';' or '=' in a password cannot end or extend the string; a '}',
// which FreeTDS would pass on doubled, is refused with a message.
QString odbcConnectionString(const QString& serverName, const QString& dataBaseName, const QString& userName,
                             const QString& password);
// Opens a server kind's connection: serverName is "host" or "host:port" (an
// IPv6 address in brackets when it has a port). Throws with the driver's
// message; a login timeout above 0 gives up after that many seconds.
void openServer(const ConnectionSettings& settings, DbConnection& connection, int loginTimeoutSeconds);
// libpq's values of SslMode.
QStringList sslModes();
// The server's script that creates the tables, and the kinds that have one
// the database tool runs.
QString schemaScript(int kind);

// Text concatenation: "||" on SQLite, "+" on SQL Server.
QString concat(int kind);
// "LASTNAME || ' ' || NAME" with the given qualifier ("DEV." or "").
QString fullName(int kind, const QString& qualifier);

// A text literal: 'text' with inner quotes doubled; on SQL Server N'text',
// so letters outside the server's code page survive NVARCHAR columns.
// (PostgreSQL sessions start with standard_conforming_strings on, so a
// backslash is never an escape.) A null text gives the empty literal.
QString textLiteral(int kind, const QString& text);

// A statement whose names are quoted in brackets ([PASSWORD]) as the
// embedded file and SQL Server take them; PostgreSQL has no brackets and
// gets the names bare.
QString quotedNames(int kind, const QString& statement);
// "newest first" on a date-time column: descending, with rows that have no
// value last on every kind (PostgreSQL would put them first, SQLite last).
QString newestFirst(const QString& column);
// The type a text of any length is cast to.
QString textType(int kind);

// Adds the hand-entry mark to PROJECTWORK: 0 by default, and on the rows
// already there (SQL Server fills them only when asked WITH VALUES).
QString handEntryMarkStatement(int kind);

// One row with a column per table, 1 where the database has that table and 0
// where not; cheap enough to ask before each write.
QString tablesPresentStatement(int kind, const QStringList& tables);
// Whether the server itself writes the history of intervals (a trigger, so
// that a change made without the program is recorded too) and refuses
// changes of the locked period; elsewhere the program does both in its
// write.
bool recordsOnServer(int kind);
// Counts the server's triggers of that name.
QString triggerCountStatement(int kind, const QString& name);
// Hands who writes and from where to the server's history for the rest of
// the transaction (source, user, the moment the user acted or empty);
// empty where the program writes it itself.
QString writeContextStatement(int kind);

// Counts the rows of table whose column holds id.
QString referenceCountStatement(const QString& table, const QString& column, qint64 id);

// How long the program waits on a server: to log in, and for one statement
// (the server gives up first, the client a little later in case the server
// does not answer at all). A lock another client holds is waited for
// shorter, and a transaction left idle by a stalled client is ended.
constexpr int LoginTimeoutSeconds = 5;
constexpr int StatementTimeoutMs = 5000;
constexpr int StatementDeadlineMs = StatementTimeoutMs + 2000;
constexpr int LockTimeoutMs = 3000;
constexpr int IdleTransactionTimeoutMs = 10000;

// The driver's connect options: a login gives up after the given seconds
// (0: LoginTimeoutSeconds), a link that stops answering is noticed by
// keepalives; on PostgreSQL also the program's name, the client encoding, TLS
// and the session's settings.
QString connectOptions(const ConnectionSettings& settings, int loginTimeoutSeconds);
// The settings every PostgreSQL session of the program starts with
// ("name=value"), given to the server when connecting.
QStringList postgresSessionSettings();

// The key of the row just inserted on the same connection.
QString lastIdStatement(int kind);
// Runs an insert into a table keyed by ID and returns the new row's key,
// read in the same transaction as the insert; PostgreSQL returns it from the
// insert itself.
qint64 insertReturningId(DbConnection& connection, const QString& insert, const QVariantList& values);
// The kind a connection speaks, from its driver.
int kindOf(const DbConnection& connection);

// The main window's work rows: every interval with its project, developer
// and customer names (PW, P, DEV and CUS), unordered.
QString workRowsStatement(int kind);
// The same select list and joins for one project's intervals, newest
// (highest ID) first, at most `rows` of them, below the ID `beforeId` unless
// that is 0; read through the index on PROJECT_ID, which carries the key.
QString workRowsOfProjectStatement(int kind, qint64 projectId, qint64 beforeId, int rows);
// The same for the one interval with the given ID.
QString workRowStatement(int kind, qint64 workId);

// Sets TIME_SPEND of the intervals whose ID lies in (?, ?]
// from their start and stop: hours in whole minutes, truncated, whichever
// way round the times are, exactly as TqvProjectMonitor::TimeSpendBetween
// counts them. Intervals without both times (running ones) keep theirs,
// and rows already right are not written.
// The duration as that statement computes it, and its condition on the
// rows it writes (with the range of keys as ? and ?), for the history that
// records each row it changes.
QString recalcTimeSpendStatement(int kind);
QString recalcHoursExpression(int kind);
QString recalcCondition(int kind);
// The day an interval counts on (DAY_START, else the day of TIME_START), as
// an expression comparable with a bound date.
QString workDayExpression(int kind);

} // namespace Dialect
