#pragma once

#include <QString>

class DbConnection;

// The two database kinds of the option DatabaseType and where their SQL
// differs. Kind 0 is the embedded SQLite file, kind 1 SQL Server.
namespace Dialect {

enum Kind { LocalFile = 0, SqlServer = 1 };

bool isKnownKind(int kind);

// Text concatenation: "||" on SQLite, "+" on SQL Server.
QString concat(int kind);
// "LASTNAME || ' ' || NAME" with the given qualifier ("DEV." or "").
QString fullName(int kind, const QString& qualifier);

// A text literal: 'text' with inner quotes doubled; on SQL Server N'text',
// so letters outside the server's code page survive NVARCHAR columns. A null
// text gives the empty literal.
QString textLiteral(int kind, const QString& text);

// Counts the rows of table whose column holds id.
QString referenceCountStatement(const QString& table, const QString& column, qint64 id);

// The driver's connect options that make a login give up after the given
// seconds (0: the driver's own limit).
QString connectOptions(int kind, int loginTimeoutSeconds);

// The key of the row just inserted on the same connection.
QString lastIdStatement(int kind);
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

} // namespace Dialect
