#include "cli/SignIn.h"

#include "components/o_SharedStatements.h"
#include "toolkit/DbConnection.h"

#include <QSqlRecord>

QString SignIn::masterUserName()
{
    return QStringLiteral("KZ");
}

QString SignIn::masterPassword()
{
    return QStringLiteral("706");
}

std::optional<SignedInUser> SignIn::check(DbConnection& connection, int kind, const QString& userName,
                                          const QString& password)
{
    if (userName.compare(masterUserName(), Qt::CaseInsensitive) == 0
        && password.compare(masterPassword(), Qt::CaseInsensitive) == 0) {
        SignedInUser master;
        master.userName = userName;
        master.isAdmin = true;
        master.master = true;
        return master;
    }
    if (userName.trimmed().isEmpty() && password.trimmed().isEmpty())
        return std::nullopt;

    QSqlQuery users = connection.exec(SharedStatements::usersList(kind));
    const QSqlRecord record = users.record();
    const int nameField = record.indexOf(QStringLiteral("USERNAME"));
    const int passwordField = record.indexOf(QStringLiteral("PASSWORD"));
    while (users.next()) {
        const QString stored = users.value(nameField).toString();
        if (stored.compare(userName, Qt::CaseInsensitive) != 0)
            continue;
        // Only the first row found counts, as in the dialog: a name typed in
        // another case than stored is a wrong pair, not a search for another row.
        if (stored != userName || users.value(passwordField).toString() != password)
            return std::nullopt;
        SignedInUser user;
        user.userName = userName;
        user.developerId = users.value(record.indexOf(QStringLiteral("DEVELOPER_ID"))).toInt();
        user.developerName = users.value(record.indexOf(QStringLiteral("DEVELOPER_NAME"))).toString();
        const QVariant admin = users.value(record.indexOf(QStringLiteral("IS_ADMIN")));
        user.isAdmin = !admin.isNull() && admin.toInt() == 1;
        return user;
    }
    return std::nullopt;
}
