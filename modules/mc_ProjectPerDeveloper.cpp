#include "modules/mc_ProjectPerDeveloper.h"

#include "components/o_Dialect.h"

QString TdmProjectPerDeveloper::listStatement(int kind)
{
    const QString head = QStringLiteral("select\r"
                                        " DP.ID\r"
                                        ",DP.DEVELOPER_ID\r"
                                        ",DP.PROJECT_ID\r");
    const QString name = Dialect::concat(kind) == QLatin1String("+")
                             ? QStringLiteral(",(D.LASTNAME +' ' + D.NAME) as DEVELOPER_NAME\r")
                             : QStringLiteral(",(D.LASTNAME || ' ' || D.NAME) as DEVELOPER_NAME\r");
    const QString from = Dialect::nestedJoins(kind) ? QStringLiteral("from\r"
                                                                     "  ((DEVELOPER_PROJECTS DP)\r"
                                                                     "left join\r"
                                                                     "  DEVELOPERS D on D.ID = DP.DEVELOPER_ID)\r"
                                                                     "left join\r"
                                                                     "  PROJECTS P   on P.ID = DP.PROJECT_ID")
                                                    : QStringLiteral("from\r"
                                                                     "  DEVELOPER_PROJECTS DP\r"
                                                                     "left join\r"
                                                                     "  DEVELOPERS D on D.ID = DP.DEVELOPER_ID\r"
                                                                     "left join\r"
                                                                     "  PROJECTS P   on P.ID = DP.PROJECT_ID");
    return head + name + QStringLiteral(",P.DESCRIPTION              as PROJECT_NAME\r") + from;
}

TMaintenanceModule::Definition TdmProjectPerDeveloper::definition() const
{
    Definition d;
    d.table = QStringLiteral("DEVELOPER_PROJECTS");
    d.workingSourceName = QStringLiteral("dsProjectPerDeveloper");
    // The list is loaded in BeforeShow, once DatabaseKind is set.
    d.updateTemplate = QStringLiteral("update DEVELOPER_PROJECTS set DEVELOPER_ID=%d,PROJECT_ID=%d where ID =%d");
    d.updateFields = {{"DEVELOPER_ID", SqlValue::Integer}, {"PROJECT_ID", SqlValue::Integer}, {"ID", SqlValue::Integer}};
    d.insertTemplate = QStringLiteral("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID)\rvalues (%d,%d)");
    d.insertFields = {{"DEVELOPER_ID", SqlValue::Integer}, {"PROJECT_ID", SqlValue::Integer}};
    d.lookups = {{QStringLiteral("dsProjects"), QStringLiteral("select ID,DESCRIPTION from PROJECTS")},
                 {QStringLiteral("dsDevelopers"), QStringLiteral("select ID,LASTNAME,NAME from DEVELOPERS")}};
    d.noun = QStringLiteral("assignment");
    d.nameFields = {QStringLiteral("DEVELOPER_NAME"), QStringLiteral("PROJECT_NAME")};
    d.nameSeparator = QStringLiteral(" / ");
    return d;
}

void TdmProjectPerDeveloper::CreateData()
{
    TMaintenanceModule::CreateData();
    DatabaseKind = databaseKind();
}

void TdmProjectPerDeveloper::BeforeShow()
{
    TMaintenanceModule::BeforeShow();
    LoadWorkingCopy(listStatement(DatabaseKind));
}
