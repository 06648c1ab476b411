#include "modules/f_ProjectPerDeveloper.h"

#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

TFrmProjectPerDeveloper::TFrmProjectPerDeveloper(QWidget* parent)
    : TMaintenanceForm(tr("Project Per Developer"), QSize(590, 532), "dsProjectPerDeveloper", false, parent)
{
    setObjectName(QStringLiteral("FrmProjectPerDeveloper"));
    DataSource* developers = addSource("dsDevelopers");
    DataSource* projects = addSource("dsProjects");
    auto* developer = addField(tr("Developer :"), new DbLookupComboBox(this), "DBLookupComboBox1");
    developer->setDataSource(workingSource());
    developer->setDataField(QStringLiteral("DEVELOPER_ID"));
    developer->setListSource(developers);
    developer->setKeyField(QStringLiteral("ID"));
    developer->setListFields({QStringLiteral("LASTNAME"), QStringLiteral("NAME")});
    auto* project = addField(tr("Project :"), new DbLookupComboBox(this), "DBLookupComboBox2");
    project->setDataSource(workingSource());
    project->setDataField(QStringLiteral("PROJECT_ID"));
    project->setListSource(projects);
    project->setKeyField(QStringLiteral("ID"));
    project->setListField(QStringLiteral("DESCRIPTION"));
    grid()->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 250);
    grid()->addColumn(QStringLiteral("DEVELOPER_NAME"), tr("Developer"), 200);
}
