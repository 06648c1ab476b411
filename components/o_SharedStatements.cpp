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
