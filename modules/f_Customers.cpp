#include "modules/f_Customers.h"

#include "toolkit/DbEdit.h"
#include "toolkit/DbGrid.h"

TFrmCustomers::TFrmCustomers(QWidget* parent)
    : TMaintenanceForm(tr("Manage Customers"), QSize(590, 531), "dsCustomers", true, parent)
{
    setObjectName(QStringLiteral("FrmCustomers"));
    addField(tr("Code :"), new DbEdit(workingSource(), QStringLiteral("CODE"), this), "DBEdit1");
    addField(tr("Name :"), new DbEdit(workingSource(), QStringLiteral("NAME"), this), "DBEdit2");
    grid()->addColumn(QStringLiteral("CODE"), tr("Code"), 150);
    grid()->addColumn(QStringLiteral("NAME"), tr("Customer"), 200);
}
