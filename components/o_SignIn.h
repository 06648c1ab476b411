#pragma once

#include <QString>

class DbConnection;
class MemTable;
class TqvOptionsManager;

// Who signed in.
struct SignedInUser
{
    QString userName; // as typed
    int userId = 0; // USERS.ID; 0 for the master pair
    int developerId = 0;
    QString developerName;
    bool isAdmin = false; // IS_ADMIN = 1
    bool master = false; // the master pair, which has no row of its own
};

// The sign-in rules, shared by the sign-in dialog and the command line:
// - the user is the first row whose name matches the typed one without
//   regard to case; the stored name must then equal it exactly;
// - the password is checked against the stored hash; a row that still holds
//   a plain-text password (an older database) signs in with exactly that text
//   and is hashed in the same sign-in, in one transaction;
// - the master pair (any letter case) signs in only where the options file
//   enables it ([ProjectsSection] MasterLogin=1), as an administrator with no
//   developer.
class SignIn
{
public:
    enum class Outcome {
        SignedIn,
        UnknownUser, // no row holds the name, in any letter case
        Refused, // wrong name case, wrong password, or both empty
    };
    struct Result
    {
        Outcome outcome = Outcome::Refused;
        SignedInUser user; // when signed in
        // A plain-text password that could not be hashed (the sign-in holds);
        // the database's message, for the caller to pass on.
        QString rehashProblem;
    };

    static QString masterUserName();
    static QString masterPassword();
    // The option that enables the master pair.
    static QString masterLoginKey();
    static bool masterLoginEnabled(const TqvOptionsManager& options);

    // One attempt. Errors reading the users pass up with the database's message.
    static Result check(DbConnection& connection, int kind, const QString& userName, const QString& password,
                        bool masterAllowed);
    // The user on the current row of a users list (no checks; nobody when
    // the list is empty).
    static SignedInUser fromUsersRow(const MemTable& users, const QString& userName);
};
