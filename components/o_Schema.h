#pragma once

#include <QMap>
#include <QStringList>

#include <functional>

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

// Something added to the tables after databases were first made with them:
// the program works without it and refuses only what needs it, until the
// database is upgraded.
struct Addition
{
    QString name; // as check names it missing: "column PROJECTWORK.HAND_ENTRY"
    std::function<bool(DbConnection&)> isPresent;
    // Makes it, inside the caller's transaction.
    std::function<void(DbConnection&)> add;
};
// The additions, in the order they are made.
const QList<Addition>& additions();

// Makes the additions the database lacks, inside the caller's transaction;
// returns their names. A database that has them all is left alone, so this
// may run any number of times.
QStringList addMissing(DbConnection& connection);
// The same in a transaction of its own, under the write lock: of two clients
// upgrading at once, the second finds everything there.
QStringList upgrade(DbConnection& connection);
// The embedded file is its user's own: the program brings it up to date
// itself when it opens it. A server's database is upgraded by its
// administrator (hourwright-db upgrade); there nothing happens. A file that
// cannot be changed (read-only, busy) is left as it is, and what needs the
// additions says so.
void upgradeOwnFile(DbConnection& connection);

// Whether PROJECTWORK has HAND_ENTRY, the mark of intervals entered by hand
// (1) rather than recorded (0).
bool hasHandEntryMark(DbConnection& connection);

} // namespace Schema
