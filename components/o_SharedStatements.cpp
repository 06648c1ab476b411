#include "components/o_SharedStatements.h"

#include "components/o_Dialect.h"

QString SharedStatements::usersList(int kind)
{
    return QStringLiteral(" select\r"
                          " USR.ID\r"
                          ",USR.DEVELOPER_ID\r"
                          ",USR.IS_ADMIN\r"
                          ",USR.USERNAME\r"
                          ",USR.PASSWORD\r"
                          ",%1 as DEVELOPER_NAME\r"
                          "from\r"
                          " USERS USR\r"
                          "left join DEVELOPERS DEV on DEV.ID = USR.DEVELOPER_ID")
        .arg(Dialect::fullName(kind, QStringLiteral("DEV.")));
}

QString SharedStatements::ownUserRow(int kind)
{
    return QStringLiteral("select USR.ID, USR.DEVELOPER_ID, USR.IS_ADMIN, USR.USERNAME, %1 as DEVELOPER_NAME\r"
                          "from USERS USR\r"
                          "left join DEVELOPERS DEV on DEV.ID = USR.DEVELOPER_ID\r"
                          "where USR.USERNAME = session_user")
        .arg(Dialect::fullName(kind, QStringLiteral("DEV.")));
}

QString SharedStatements::usersForEditing(int kind)
{
    return QStringLiteral(" select\r"
                          " USR.ID\r"
                          ",USR.DEVELOPER_ID\r"
                          ",USR.IS_ADMIN\r"
                          ",USR.USERNAME\r"
                          ",cast('' as %2) as PASSWORD\r"
                          ",%1 as DEVELOPER_NAME\r"
                          "from\r"
                          " USERS USR\r"
                          "left join DEVELOPERS DEV on DEV.ID = USR.DEVELOPER_ID")
        .arg(Dialect::fullName(kind, QStringLiteral("DEV.")), Dialect::textType(kind));
}

QString SharedStatements::userUpdateTemplate(int kind)
{
    return Dialect::quotedNames(kind, QStringLiteral("update USERS set DEVELOPER_ID=%d,IS_ADMIN=%d,[USERNAME]=%s,"
                                                     "[PASSWORD]=coalesce(nullif(%s,''),[PASSWORD]) where ID =%d"));
}

QString SharedStatements::userInsertTemplate(int kind)
{
    return Dialect::quotedNames(
        kind, QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,[USERNAME],[PASSWORD])\rvalues (%d,%d,%s,%s)"));
}

QString SharedStatements::setUserPassword(int kind)
{
    return Dialect::quotedNames(kind, QStringLiteral("update USERS set [PASSWORD]=? where ID=?"));
}

QString SharedStatements::replaceUserPassword(int kind)
{
    return Dialect::quotedNames(kind,
                                QStringLiteral("update USERS set [PASSWORD]=? where ID=? and coalesce([PASSWORD],'')=?"));
}

QString SharedStatements::administratorCount()
{
    return QStringLiteral("select count(*) from USERS where IS_ADMIN = 1");
}

QString SharedStatements::projectsWithCustomers()
{
    return QStringLiteral("select\r"
                          " PR.ID\r"
                          ",PR.DESCRIPTION\r"
                          ",PR.IS_FINISHED\r"
                          ",PR.CUSTOMER_ID\r"
                          ",CUS.NAME as CUSTOMER_NAME\r"
                          "from\r"
                          "PROJECTS PR\r"
                          "left join CUSTOMER CUS on CUS.ID = PR.CUSTOMER_ID");
}
