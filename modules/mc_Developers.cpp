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
    d.noun = QStringLiteral("developer");
    d.nameFields = {QStringLiteral("LASTNAME"), QStringLiteral("NAME")};
    d.references = {{QStringLiteral("PROJECTWORK"), QStringLiteral("DEVELOPER_ID"), QStringLiteral("recorded interval"),
                     QStringLiteral("recorded intervals")},
                    {QStringLiteral("USERS"), QStringLiteral("DEVELOPER_ID"), QStringLiteral("user"),
                     QStringLiteral("users")},
                    {QStringLiteral("DEVELOPER_PROJECTS"), QStringLiteral("DEVELOPER_ID"), QStringLiteral("assignment"),
                     QStringLiteral("assignments")}};
    d.referencesFate = QStringLiteral("they stay, without a developer");
    d.required = {{QStringLiteral("LASTNAME"), QStringLiteral("LastName")}};
    d.monitored = Monitored::Developer;
    return d;
}
