#include "modules/f_ProjectPerDeveloper.h"

#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

TFrmProjectPerDeveloper::TFrmProjectPerDeveloper(QWidget* parent)
    : TMaintenanceForm(tr("Project Per Developer"), QSize(590, 532), "dsProjectPerDeveloper", false, parent)
{
    setObjectName(QStringLiteral("FrmProjectPerDeveloper"));
    DataSource* developers = addSource("dsDevelopers");
    DataSource* projects = addSource("dsProjects");
    addLookup(tr("Developer :"), "DBLookupComboBox1", QStringLiteral("DEVELOPER_ID"), developers,
        { QStringLiteral("LASTNAME"), QStringLiteral("NAME") });
    addLookup(tr("Project :"), "DBLookupComboBox2", QStringLiteral("PROJECT_ID"), projects,
        { QStringLiteral("DESCRIPTION") });
    grid()->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 250);
    grid()->addColumn(QStringLiteral("DEVELOPER_NAME"), tr("Developer"), 200);
}
