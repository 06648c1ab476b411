#pragma once

#include <QString>

class DbConnection;
struct SignedInUser;

// Everyone changes their own password: File > Change Password... and
// hourwright-cli passwd. On a team server whose people are its logins it is
// the login's password (as a verifier made here); elsewhere the hash in the
// user's USERS row. Throws with the reason; nothing is changed then.
namespace OwnPassword {
void change(DbConnection& connection, const SignedInUser& user, const QString& password);
} // namespace OwnPassword
