#include "components/o_SignIn.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_OptionsManager.h"
#include "components/o_Dialect.h"
#include "components/o_SharedStatements.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/PasswordHash.h"

#include <QSqlRecord>

namespace {

// Stores a fresh hash in place of the text the row held when read.
QString storeHash(DbConnection& connection, int userId, const QString& password, const QString& old)
{
    try {
        const QString hash = PasswordHash::hash(password);
        // One statement, a transaction of its own, that changes the row only
        // while it holds the text read: no write lock is needed, so a sign-in
        // never waits for another client's writes.
        connection.exec(SharedStatements::replaceUserPassword(Dialect::kindOf(connection)), {hash, userId, old});
    } catch (const std::exception& error) {
        return errorMessage(error);
    }
    return QString();
}

} // namespace

QString SignIn::masterUserName()
{
    return QStringLiteral("KZ");
}

QString SignIn::masterPassword()
{
    return QStringLiteral("706");
}

QString SignIn::masterLoginKey()
{
    return QStringLiteral("MasterLogin");
}

bool SignIn::masterLoginEnabled(const TqvOptionsManager& options)
{
    const bool enabled =
        options.ReadValue(Options::ProjectsSection, masterLoginKey(), 0).toString().trimmed() == QLatin1String("1");
    bool isNumber = false;
    const int kind =
        options.ReadValue(Options::ConnectionSection, Options::DatabaseType, -1).toString().trimmed().toInt(&isNumber);
    return enabled && isNumber && Dialect::isFile(kind);
}

QString SignIn::refusalText()
{
    return QStringLiteral("Wrong username or password. Please enter again.");
}

SignIn::Result SignIn::check(DbConnection& connection, int kind, const QString& userName, const QString& password,
                             bool masterAllowed)
{
    Result result;
    // Not enabled, the master pair is an ordinary pair like any other.
    if (masterAllowed && userName.compare(masterUserName(), Qt::CaseInsensitive) == 0
        && password.compare(masterPassword(), Qt::CaseInsensitive) == 0) {
        result.outcome = Outcome::SignedIn;
        result.user.userName = userName;
        result.user.isAdmin = true;
        result.user.master = true;
        return result;
    }
    const QString typed = userName.trimmed();
    if (typed.isEmpty() && password.trimmed().isEmpty())
        return result;

    QSqlQuery users = connection.exec(SharedStatements::usersList(kind));
    const QSqlRecord record = users.record();
    const int nameField = record.indexOf(QStringLiteral("USERNAME"));
    while (users.next()) {
        // Names from before they were stored trimmed still match.
        const QString stored = users.value(nameField).toString().trimmed();
        if (stored.compare(typed, Qt::CaseInsensitive) != 0)
            continue;
        // Only the first row found counts: a name typed in another case than
        // stored is a wrong pair, not a search for another row.
        if (stored != typed)
            return result;
        const QString storedPassword = users.value(record.indexOf(QStringLiteral("PASSWORD"))).toString();
        const bool hashed = PasswordHash::looksHashed(storedPassword);
        if (hashed ? !PasswordHash::verify(storedPassword, password) : storedPassword != password)
            return result;
        result.outcome = Outcome::SignedIn;
        result.user.userName = typed;
        result.user.userId = users.value(record.indexOf(QStringLiteral("ID"))).toInt();
        result.user.developerId = users.value(record.indexOf(QStringLiteral("DEVELOPER_ID"))).toInt();
        result.user.developerName = users.value(record.indexOf(QStringLiteral("DEVELOPER_NAME"))).toString();
        const QVariant admin = users.value(record.indexOf(QStringLiteral("IS_ADMIN")));
        result.user.isAdmin = !admin.isNull() && admin.toInt() == 1;
        users.finish();
        if (!hashed || PasswordHash::needsRehash(storedPassword))
            result.rehashProblem = storeHash(connection, result.user.userId, password, storedPassword);
        return result;
    }
    result.outcome = Outcome::UnknownUser;
    return result;
}

bool SignIn::isRefusedPair(const QString& message)
{
    return message.contains(QLatin1String("password authentication failed"))
           || message.contains(QLatin1String("is not permitted to log in"))
           || message.contains(QLatin1String("no password supplied"));
}

SignIn::Result SignIn::checkOnServer(DbConnection& connection, const ConnectionSettings& settings,
                                     const QString& userName, const QString& password, int loginTimeoutSeconds)
{
    Result refused;
    const QString typed = userName.trimmed();
    if (typed.isEmpty() || password.isEmpty())
        return refused;
    try {
        settings.withLogin(typed, password).open(connection, loginTimeoutSeconds);
    } catch (const DatabaseError& error) {
        if (isRefusedPair(error.message()))
            return refused;
        throw;
    }
    Result result = ownRow(connection, settings.kind);
    if (result.outcome != Outcome::SignedIn)
        connection.close();
    return result;
}

SignIn::Result SignIn::ownRow(DbConnection& connection, int kind)
{
    Result result;
    QSqlQuery own = connection.exec(SharedStatements::ownUserRow(kind));
    if (!own.next())
        return result;
    result.outcome = Outcome::SignedIn;
    result.user.userId = own.value(0).toInt();
    result.user.developerId = own.value(1).toInt();
    result.user.isAdmin = !own.value(2).isNull() && own.value(2).toInt() == 1;
    result.user.userName = own.value(3).toString();
    result.user.developerName = own.value(4).toString();
    result.user.serverLogin = true;
    return result;
}

SignedInUser SignIn::fromUsersRow(const MemTable& users, const QString& userName)
{
    SignedInUser user;
    user.userName = userName;
    if (!users.isActive() || users.isEmpty())
        return user;
    user.userId = users.value(QStringLiteral("ID")).toInt();
    user.developerId = users.value(QStringLiteral("DEVELOPER_ID")).toInt();
    user.developerName = users.value(QStringLiteral("DEVELOPER_NAME")).toString();
    const QVariant admin = users.value(QStringLiteral("IS_ADMIN"));
    user.isAdmin = !admin.isNull() && admin.toInt() == 1;
    return user;
}
