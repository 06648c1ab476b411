#include "modules/f_Projects.h"

#include "toolkit/DbCheckBox.h"
#include "toolkit/DbEdit.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

TFrmProjects::TFrmProjects(QWidget* parent)
    : TMaintenanceForm(tr("Manage Projects"), QSize(590, 531), "dsProjects", false, parent)
{
    setObjectName(QStringLiteral("FrmProjects"));
    DataSource* customers = addSource("dsCustomers");
    addField(tr("Description :"), new DbEdit(workingSource(), QStringLiteral("DESCRIPTION"), this), "DBEdit1");
    addLookup(
        tr("Customer :"), "DBLookupComboBox1", QStringLiteral("CUSTOMER_ID"), customers, { QStringLiteral("NAME") });
    addField(QString(), new DbCheckBox(tr("Is Finished"), workingSource(), QStringLiteral("IS_FINISHED"), this),
        "DBCheckBox1");
    grid()->addColumn(QStringLiteral("DESCRIPTION"), tr("Project Name"), 250);
    grid()->addColumn(QStringLiteral("CUSTOMER_NAME"), tr("Customer"), 200);
    grid()->addColumn(QStringLiteral("IS_FINISHED"), tr("Is Finished"));
}
