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

QString Dialect::textLiteral(int kind, const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    const QString literal = QLatin1Char('\'') + doubled + QLatin1Char('\'');
    return kind == SqlServer ? QLatin1Char('N') + literal : literal;
}

QString Dialect::referenceCountStatement(const QString& table, const QString& column, qint64 id)
{
    return QStringLiteral("select count(*) from %1 where %2 = %3").arg(table, column).arg(id);
}

QString Dialect::connectOptions(int kind, int loginTimeoutSeconds)
{
    // SQLite waits on locks with its busy timeout, set whenever it opens.
    if (kind != SqlServer || loginTimeoutSeconds <= 0)
        return {};
    return QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1").arg(loginTimeoutSeconds);
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
