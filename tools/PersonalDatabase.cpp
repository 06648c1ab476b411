#include "tools/PersonalDatabase.h"

#include "tools/DbTool.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

void runTool(const QStringList& arguments)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = DbTool(outStream, errStream).run(arguments);
    outStream.flush();
    errStream.flush();
    if (code != 0) {
        QString reason = err.trimmed();
        reason.remove(QStringLiteral("hourwright-db: "));
        throw AppError(reason.isEmpty() ? QStringLiteral("The database could not be made") : reason);
    }
}

int insertDeveloper(const QString& path, const PersonalDatabase::Owner& owner)
{
    DbConnection connection;
    connection.openSqlite(path);
    TransactionGuard transaction(connection);
    const QSqlQuery insert = connection.exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values (?,?)"),
                                             {owner.lastName, owner.name});
    const int id = insert.lastInsertId().toInt();
    transaction.commit();
    connection.close();
    return id;
}

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
    runTool({QStringLiteral("init"), path});
    try {
        const int developerId = insertDeveloper(path, owner);
        runTool({QStringLiteral("add-user"), path, owner.userName, QStringLiteral("--password"), owner.password,
                 QStringLiteral("--admin"), QStringLiteral("--developer"), QString::number(developerId)});
    } catch (...) {
        removeDatabase(path);
        throw;
    }
}
