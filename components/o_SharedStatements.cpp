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
