#include "modules/f_Developers.h"

#include "toolkit/DbEdit.h"
#include "toolkit/DbGrid.h"

TFrmDevelopers::TFrmDevelopers(QWidget* parent)
    : TMaintenanceForm(tr("Manage Developers"), QSize(590, 532), "dsDevelopers", false, parent)
{
    setObjectName(QStringLiteral("FrmDevelopers"));
    addField(tr("Name :"), new DbEdit(workingSource(), QStringLiteral("NAME"), this), "DBEdit1");
    addField(tr("LastName :"), new DbEdit(workingSource(), QStringLiteral("LASTNAME"), this), "DBEdit2");
    grid()->addColumn(QStringLiteral("LASTNAME"), tr("Last Name"), 250);
    grid()->addColumn(QStringLiteral("NAME"), tr("Name"), 200);
}
