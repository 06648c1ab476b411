#include "components/o_Dialect.h"

#include "toolkit/DbConnection.h"

bool Dialect::isKnownKind(int kind)
{
    return kind == LocalFile || kind == SqlServer;
}

QString Dialect::concat(int kind)
{
    return kind == SqlServer ? QStringLiteral("+") : QStringLiteral("||");
}

QString Dialect::fullName(int kind, const QString& qualifier)
{
    const QString op = concat(kind);
    return QStringLiteral("%1LASTNAME %2 ' ' %2 %1NAME").arg(qualifier, op);
}

QString Dialect::lastIdStatement(int kind)
{
    return kind == SqlServer ? QStringLiteral("select @@IDENTITY as LAST_ID")
                             : QStringLiteral("select last_insert_rowid() as LAST_ID");
}

int Dialect::kindOf(const DbConnection& connection)
{
    return connection.isSqlite() ? LocalFile : SqlServer;
}
