#include "modules/mc_Developers.h"

TMaintenanceModule::Definition TdmDevelopers::definition() const
{
    Definition d;
    d.table = QStringLiteral("DEVELOPERS");
    d.workingSourceName = QStringLiteral("dsDevelopers");
    d.listStatement = QStringLiteral("select ID,LASTNAME,NAME from DEVELOPERS");
    d.updateTemplate = QStringLiteral("update DEVELOPERS set LASTNAME=%s,NAME=%s where ID =%d");
    d.updateFields = {{"LASTNAME", SqlValue::Text}, {"NAME", SqlValue::Text}, {"ID", SqlValue::Integer}};
    d.insertTemplate = QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME)\rvalues (%s,%s)");
    d.insertFields = {{"LASTNAME", SqlValue::Text}, {"NAME", SqlValue::Text}};
    return d;
}
