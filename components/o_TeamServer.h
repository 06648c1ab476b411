#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DbConnection;

// The team server as the guard of who may do what (PostgreSQL). Every desktop
// talks to the database directly, so only the server can hold the roles:
// - per database a NOLOGIN owner of the tables, a member group and an
//   administrator group (administrators are members too), and a NOLOGIN role
//   that owns the functions managing people;
// - one login per person, in one of the groups, named as the person's USERS
//   row (USERS.PASSWORD stays empty: the server checks the password);
// - members read what the program shows everyone and change only their own
//   developer's intervals (row security); administrators also write master
//   data and manage people through the functions of the schema "people".
//
// hourwright-db init makes the layout with the tables; upgrade turns a
// database made for one shared login into it, keeping every row. Both run the
// steps below in one transaction; each step may run again on a database that
// has it already, so a later version adds its own step at the end.
namespace TeamServer {

// The group roles of one database, named after it: role names are shared by
// every database of the server.
struct Roles
{
    QString owner;
    QString members;
    QString admins;
    QString people;
    static Roles of(const QString& dataBaseName);
};

// What a run of the steps found for the person running it to do.
struct Report
{
    // Users whose login has no password yet (upgraded from rows that kept
    // the program's own hashes, which the server cannot use).
    QStringList withoutPassword;
    // A login that owned the database before and no longer reaches it.
    QString formerOwner;
};

struct Step
{
    const char* name;
    std::function<void(DbConnection& connection, const Roles& roles, Report& report)> run;
};
// The steps, in the order they run.
const QList<Step>& steps();

// Whether the connection's login may make the layout: the server's superuser
// or a login that may create roles.
bool mayCreateRoles(DbConnection& connection);
// Whether the database has the layout: people are the server's logins.
bool hasPersonalLogins(DbConnection& connection);

// The tables and the layout in an empty database, in one transaction.
Report create(DbConnection& connection);
// The layout in a database that has the tables, in one transaction.
Report upgrade(DbConnection& connection);

// The users whose login has no password, where the login may see it (the
// superuser); empty otherwise.
QStringList usersWithoutPassword(DbConnection& connection);

// A name as an SQL identifier, quoted.
QString identifier(const QString& name);

} // namespace TeamServer
