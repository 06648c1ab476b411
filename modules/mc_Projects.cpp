#include "modules/mc_Projects.h"

#include "components/o_SharedStatements.h"

TMaintenanceModule::Definition TdmProjects::definition() const
{
    Definition d;
    d.table = QStringLiteral("PROJECTS");
    d.workingSourceName = QStringLiteral("dsProjects");
    d.listStatement = SharedStatements::projectsWithCustomers();
    d.updateTemplate = QStringLiteral("update PROJECTS set DESCRIPTION=%s,CUSTOMER_ID=%d,IS_FINISHED=%d where ID =%d");
    d.updateFields = {{"DESCRIPTION", SqlValue::Text},
                      {"CUSTOMER_ID", SqlValue::Integer},
                      {"IS_FINISHED", SqlValue::Integer},
                      {"ID", SqlValue::Integer}};
    d.insertTemplate = QStringLiteral("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED)\rvalues (%s,%d,%d)");
    d.insertFields = {{"DESCRIPTION", SqlValue::Text},
                      {"CUSTOMER_ID", SqlValue::Integer},
                      {"IS_FINISHED", SqlValue::Integer}};
    d.lookups = {{QStringLiteral("dsCustomers"), QStringLiteral("select ID,NAME from CUSTOMER")}};
    d.noun = QStringLiteral("project");
    d.nameFields = {QStringLiteral("DESCRIPTION")};
    d.references = {{QStringLiteral("PROJECTWORK"), QStringLiteral("PROJECT_ID"), QStringLiteral("recorded interval"),
                     QStringLiteral("recorded intervals")},
                    {QStringLiteral("DEVELOPER_PROJECTS"), QStringLiteral("PROJECT_ID"), QStringLiteral("assignment"),
                     QStringLiteral("assignments")}};
    d.referencesFate = QStringLiteral("they stay, without a project");
    d.required = {{QStringLiteral("DESCRIPTION"), QStringLiteral("Description")}};
    d.flagFields = {QStringLiteral("IS_FINISHED")};
    d.monitored = Monitored::Project;
    return d;
}
