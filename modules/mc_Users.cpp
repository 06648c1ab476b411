#include "modules/mc_Users.h"

#include "components/o_Dialect.h"
#include "components/o_SharedStatements.h"
#include "framework/o_MainModule.h"

TMaintenanceModule::Definition TdmUsers::definition() const
{
    Definition d;
    d.table = QStringLiteral("USERS");
    d.workingSourceName = QStringLiteral("dsUsers");
    d.listStatement = SharedStatements::usersList(Dialect::kindOf(connection()));
    d.updateTemplate = QStringLiteral(
        "update USERS set DEVELOPER_ID=%d,IS_ADMIN=%d,[USERNAME]=%s,[PASSWORD]=%s where ID =%d");
    d.updateFields = {{"DEVELOPER_ID", SqlValue::Integer},
                      {"IS_ADMIN", SqlValue::Integer},
                      {"USERNAME", SqlValue::Text},
                      {"PASSWORD", SqlValue::Text},
                      {"ID", SqlValue::Integer}};
    d.insertTemplate
        = QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,[USERNAME],[PASSWORD])\rvalues (%d,%d,%s,%s)");
    d.insertFields = {{"DEVELOPER_ID", SqlValue::Integer},
                      {"IS_ADMIN", SqlValue::Integer},
                      {"USERNAME", SqlValue::Text},
                      {"PASSWORD", SqlValue::Text}};
    d.lookups = {{QStringLiteral("dsDevelopers"), QStringLiteral("select ID,LASTNAME,NAME from DEVELOPERS")}};
    d.noun = QStringLiteral("user");
    d.nameFields = {QStringLiteral("USERNAME")};
    d.flagFields = {QStringLiteral("IS_ADMIN")};
    return d;
}
