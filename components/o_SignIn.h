#pragma once

#include <QString>

class DbConnection;
struct ConnectionSettings;
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
    bool serverLogin = false; // the team server checked the password: the user is its login
};

// The sign-in rules, shared by the sign-in dialog and the command line:
// - the typed name is taken without surrounding spaces;
// - the user is the first row whose name matches it without regard to case
//   (or surrounding spaces); the stored name must then equal it exactly;
// - the password is checked against the stored hash; a row that still holds
//   a plain-text password (an older database) signs in with exactly that text
//   and is hashed in the same sign-in, in one transaction;
// - the master pair (any letter case) signs in only where the options file
//   enables it ([ProjectsSection] MasterLogin=1) and the database is the
//   embedded file, as an administrator with no developer: a server knows no
//   such person;
// - on a team server with one login per person the server checks the pair
//   while the connection opens, and the user is the USERS row of the login.
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
    // Enabled in the options, and the options name the embedded file.
    static bool masterLoginEnabled(const TqvOptionsManager& options);
    // The message of a refused pair, for every way of signing in.
    static QString refusalText();

    // One attempt. Errors reading the users pass up with the database's message.
    static Result check(DbConnection& connection, int kind, const QString& userName, const QString& password,
                        bool masterAllowed);
    // Opens the connection with the person's own login; refused when the
    // server refuses the pair or the login has no USERS row (the connection
    // is then closed). Any other failure (the server not answering) throws
    // with the driver's message.
    static Result checkOnServer(DbConnection& connection, const ConnectionSettings& settings,
                                const QString& userName, const QString& password, int loginTimeoutSeconds);
    // Whether a server's message refuses the pair itself (it answers an
    // unknown login as it answers a wrong password).
    static bool isRefusedPair(const QString& message);
    // The USERS row of the connection's own login.
    static Result ownRow(DbConnection& connection, int kind);
    // The user on the current row of a users list (no checks; nobody when
    // the list is empty).
    static SignedInUser fromUsersRow(const MemTable& users, const QString& userName);
};
