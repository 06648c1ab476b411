#pragma once

#include <QString>

#include <optional>

class DbConnection;

// Who signed in on the command line.
struct SignedInUser
{
    QString userName; // as typed
    int developerId = 0;
    QString developerName;
    bool isAdmin = false;
    bool master = false; // the master pair, which has no row of its own
};

// The sign-in rules of the program's sign-in dialog, for one attempt: the
// master pair in any letter case; otherwise the first user whose name matches
// without regard to case, whose stored name and password must then match
// exactly. The dialog's attempt limit has no meaning for a single call.
class SignIn
{
public:
    static QString masterUserName();
    static QString masterPassword();

    // The signed-in user, or nothing when the pair is refused.
    static std::optional<SignedInUser> check(DbConnection& connection, int kind, const QString& userName,
                                             const QString& password);
};
