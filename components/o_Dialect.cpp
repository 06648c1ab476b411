#include "components/o_Dialect.h"

#include "toolkit/DbConnection.h"
#include "toolkit/SqlTemplate.h"

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
    const QString literal = SqlTemplate::quoted(text);
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

namespace {

QString workRowsSelect(int kind, const QString& top)
{
    return QStringLiteral(" select%1\r"
                          " PW.ID\r"
                          ",PW.PROJECT_ID\r"
                          ",PW.DEVELOPER_ID\r"
                          ",PW.TIME_START\r"
                          ",PW.TIME_END\r"
                          ",PW.COMMENTS\r"
                          ",PW.TIME_SPEND\r"
                          ",PW.COMPLETED\r"
                          ",PW.DAY_START\r"
                          ",PW.DAY_END\r"
                          ",%2 as DEVELOPER_NAME\r"
                          ",P.DESCRIPTION                 as PROJECT_NAME\r"
                          ",P.CUSTOMER_ID\r"
                          ",CUS.NAME                      as CUSTOMER_NAME\r")
        .arg(top, Dialect::fullName(kind, QStringLiteral("DEV.")));
}

QString workRowsFrom(int kind)
{
    if (kind == Dialect::SqlServer)
        return QStringLiteral(" from\r"
                              " PROJECTWORK PW\r"
                              "left join PROJECTS    P   on P.ID   = PW.PROJECT_ID\r"
                              "left join DEVELOPERS  DEV on DEV.ID = PW.DEVELOPER_ID\r"
                              "left join CUSTOMER    CUS on CUS.ID = P.CUSTOMER_ID");
    return QStringLiteral(" from\r"
                          "(\r"
                          "(\r"
                          "(PROJECTWORK PW)\r"
                          "\r"
                          "left join  PROJECTS    P         on  P.ID   = PW.PROJECT_ID)\r"
                          "\r"
                          "left join   DEVELOPERS  DEV  on DEV.ID = PW.DEVELOPER_ID)\r"
                          "\r"
                          "left join CUSTOMER    CUS   on CUS.ID = P.CUSTOMER_ID");
}

} // namespace

QString Dialect::workRowsStatement(int kind)
{
    return workRowsSelect(kind, QString()) + workRowsFrom(kind);
}

QString Dialect::workRowsOfProjectStatement(int kind, qint64 projectId, qint64 beforeId, int rows)
{
    QString where = QStringLiteral("\rwhere PW.PROJECT_ID = %1").arg(projectId);
    if (beforeId > 0)
        where += QStringLiteral(" and PW.ID < %1").arg(beforeId);
    where += QStringLiteral("\rorder by PW.ID desc");
    if (kind == SqlServer)
        return workRowsSelect(kind, QStringLiteral(" top %1").arg(rows)) + workRowsFrom(kind) + where;
    return workRowsSelect(kind, QString()) + workRowsFrom(kind) + where + QStringLiteral("\rlimit %1").arg(rows);
}

QString Dialect::workRowStatement(int kind, qint64 workId)
{
    return workRowsSelect(kind, QString()) + workRowsFrom(kind) + QStringLiteral("\rwhere PW.ID = %1").arg(workId);
}
