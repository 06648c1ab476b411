#pragma once

#include <QMap>
#include <QStringList>

class DbConnection;

// The six tables the program expects, and the scripts that create them.
namespace Schema {

struct Table
{
    QString name;
    QStringList columns;
};
const QList<Table>& tables();

// Creates the tables and indexes of a script in an empty database, in one
// transaction.
void create(DbConnection& connection, const QString& script);
void createSqlite(DbConnection& connection);
QString sqliteScript();
QString sqlServerScript();
QString postgresScript();
// The statements of a script: comments dropped, split at ';' (or "GO" lines).
QStringList statements(const QString& script);

// The program's tables the database has, each under the name the server
// gives it (PostgreSQL keeps them in lower case): program's name -> server's.
QMap<QString, QString> presentTables(DbConnection& connection);

// "table X is missing" / "column X.Y is missing" for everything absent,
// the columns an upgrade adds included.
QStringList check(DbConnection& connection);

// Columns added after databases were made with the tables above: the program
// works without them and refuses only what needs them, until the database
// is upgraded.
const QList<Table>& addedColumns();

// Whether PROJECTWORK has HAND_ENTRY, the mark of intervals entered by hand
// (1) rather than recorded (0).
bool hasHandEntryMark(DbConnection& connection);
// Upgrade step: gives PROJECTWORK the hand-entry mark, in one transaction;
// the rows it holds count as recorded. A database that has the column is
// left alone, so the step may run any number of times. Returns whether it
// added the column.
bool addHandEntryMark(DbConnection& connection);

} // namespace Schema
