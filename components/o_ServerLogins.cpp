#include "components/o_ServerLogins.h"

#include "components/o_Dialect.h"
#include "components/o_TeamServer.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/SqlTemplate.h"

#include <QSqlDriver>

#include <libpq-fe.h>

bool ServerLogins::managePeople(DbConnection& connection)
{
    return Dialect::kindOf(connection) == Dialect::PostgreSql && TeamServer::hasPersonalLogins(connection);
}

QString ServerLogins::verifier(DbConnection& connection, const QString& userName, const QString& password)
{
    const QVariant handle = connection.isPostgres() ? connection.database().driver()->handle() : QVariant();
    // The driver names the handle's type by libpq's struct.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        throw DatabaseError(QStringLiteral("A password verifier needs an open connection to the team server"));
    PGconn* conn = *static_cast<PGconn* const*>(handle.constData());
    char* made = PQencryptPasswordConn(conn, password.toUtf8().constData(), userName.toUtf8().constData(),
                                       "scram-sha-256");
    if (!made)
        throw DatabaseError(QStringLiteral("The password could not be prepared for the server: %1")
                                .arg(QString::fromUtf8(PQerrorMessage(conn)).trimmed()));
    const QString result = QString::fromLatin1(made);
    PQfreemem(made);
    return result;
}

void ServerLogins::addUser(DbConnection& connection, const QString& name, const QString& password, bool admin,
                           int developerId)
{
    connection.exec(QStringLiteral("select people.add_user(?, ?, ?, ?)"),
                    {name, verifier(connection, name, password), admin ? 1 : 0, developerId});
}

void ServerLogins::setPassword(DbConnection& connection, const QString& name, const QString& password)
{
    connection.exec(QStringLiteral("select people.set_password(?, ?)"), {name, verifier(connection, name, password)});
}

void ServerLogins::changeOwnPassword(DbConnection& connection, const QString& password)
{
    // A role statement takes no bound values; the verifier is letters,
    // digits and "$:+/=" only, and quoted all the same.
    const QString made = verifier(connection, QString(), password);
    TransactionGuard transaction(connection);
    connection.exec(QStringLiteral("alter role current_user password %1").arg(SqlTemplate::quoted(made)));
    transaction.commit();
}

QString ServerLogins::userInsertTemplate()
{
    return QStringLiteral("select people.add_user(%s,%s,%d,%d)");
}

QString ServerLogins::userUpdateTemplate()
{
    return QStringLiteral("select people.change_user(%d,%s,%d,%d,%s)");
}

QString ServerLogins::userDeleteTemplate()
{
    return QStringLiteral("select people.remove_user(%s)");
}
