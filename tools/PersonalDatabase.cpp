#include "tools/PersonalDatabase.h"

#include "components/o_Schema.h"
#include "tools/DbTool.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

void removeDatabase(const QString& path)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(path + suffix);
}

} // namespace

void PersonalDatabase::create(const QString& path, const Owner& owner)
{
    if (QFileInfo::exists(path))
        throw AppError(QStringLiteral("%1 already exists; choose another file for a new database").arg(path));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw AppError(QStringLiteral("The folder %1 cannot be created").arg(QFileInfo(path).absolutePath()));
    if (owner.userName.trimmed().isEmpty())
        throw AppError(QStringLiteral("a user needs a name"));
    if (owner.password.isEmpty())
        throw AppError(QStringLiteral("a user needs a password"));
    try {
        DbConnection connection;
        connection.createSqlite(path);
        Schema::createSqlite(connection);
        TransactionGuard transaction(connection);
        const QSqlQuery developer = connection.exec(
            QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values (?,?)"), {owner.lastName, owner.name});
        DbTool::insertUser(connection, owner.userName, owner.password, true, developer.lastInsertId().toInt());
        transaction.commit();
        connection.close();
    } catch (...) {
        removeDatabase(path);
        throw;
    }
}
