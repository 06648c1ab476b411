#pragma once

#include <QString>

// Statements that more than one window sends.
namespace SharedStatements {
// The users with their developer's name: the sign-in list.
QString usersList(int kind);
// The connection's own login's row (ID, DEVELOPER_ID, IS_ADMIN, USERNAME,
// DEVELOPER_NAME), on a server whose people are its logins.
QString ownUserRow(int kind);
// The same for the users window, whose PASSWORD column comes back empty:
// a stored password (a hash) never leaves the database for a window.
QString usersForEditing(int kind);
// The users window's templates (SqlTemplate): an empty PASSWORD keeps the
// stored one.
QString userUpdateTemplate(int kind);
QString userInsertTemplate(int kind);
// One user's password, for the values (new password, ID).
QString setUserPassword(int kind);
// Replaces a user's password only while it still holds the given text, for
// the values (new password, ID, old password); another writer's change wins.
QString replaceUserPassword(int kind);
// How many users are administrators (IS_ADMIN = 1).
QString administratorCount();
// Every project with its customer's name: the projects window and hand entry.
QString projectsWithCustomers();
} // namespace SharedStatements
