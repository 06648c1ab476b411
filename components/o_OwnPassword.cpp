#include "components/o_OwnPassword.h"

#include "components/o_Dialect.h"
#include "components/o_ServerLogins.h"
#include "components/o_SharedStatements.h"
#include "components/o_SignIn.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/PasswordHash.h"

#include <QSqlQuery>

void OwnPassword::change(DbConnection& connection, const SignedInUser& user, const QString& password)
{
    if (user.master)
        throw AppError(QStringLiteral("The master pair has no password of its own to change."));
    if (password.isEmpty())
        throw AppError(QStringLiteral("An empty password is refused; nothing was changed."));
    if (user.serverLogin) {
        ServerLogins::changeOwnPassword(connection, password);
        return;
    }
    const QString hash = PasswordHash::hash(password);
    TransactionGuard transaction(connection);
    QSqlQuery changed =
        connection.exec(SharedStatements::setUserPassword(Dialect::kindOf(connection)), {hash, user.userId});
    if (changed.numRowsAffected() == 0)
        throw AppError(QStringLiteral("Your user was removed meanwhile; nothing was changed."));
    transaction.commit();
}
