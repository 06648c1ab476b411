#pragma once

#include <QString>

class DbConnection;

// The program's side of a team server whose people are its logins (see
// TeamServer): passwords leave the program only as SCRAM verifiers made here
// by libpq, people are added, changed and removed through the server's
// functions, and everyone changes their own password on their own login.
namespace ServerLogins {

// Whether the connection's database keeps its people as server logins.
bool managePeople(DbConnection& connection);

// A SCRAM verifier of the password, made on the client: the server stores it
// as it is and never sees the password.
QString verifier(DbConnection& connection, const QString& userName, const QString& password);

// A new person: their login (with the password) and their USERS row, in the
// caller's transaction.
void addUser(DbConnection& connection, const QString& name, const QString& password, bool admin, int developerId);
// Another person's password (administrators).
void setPassword(DbConnection& connection, const QString& name, const QString& password);
// The password of the connection's own login.
void changeOwnPassword(DbConnection& connection, const QString& password);

// The users window's statements (SqlTemplate): a new user from
// (USERNAME, PASSWORD, IS_ADMIN, DEVELOPER_ID), a changed one from
// (ID, USERNAME, IS_ADMIN, DEVELOPER_ID, PASSWORD) where an empty PASSWORD
// keeps the password, and a removed one from its ID. PASSWORD is a verifier.
QString userInsertTemplate();
QString userUpdateTemplate();
QString userDeleteTemplate();

} // namespace ServerLogins
