#include "modules/f_Users.h"

#include "toolkit/DbCheckBox.h"
#include "toolkit/DbEdit.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

TFrmUsers::TFrmUsers(QWidget* parent)
    : TMaintenanceForm(tr("Manage Users"), QSize(591, 526), "dsUsers", true, parent)
{
    setObjectName(QStringLiteral("FrmUsers"));
    DataSource* developers = addSource("dsDevelopers");
    addField(tr("UserName :"), new DbEdit(workingSource(), QStringLiteral("USERNAME"), this), "DBEdit1");
    auto* password
        = addField(tr("Password :"), new DbEdit(workingSource(), QStringLiteral("PASSWORD"), this), "DBEdit2");
    // Never the stored password: what is typed here becomes the new one.
    password->setPasswordMode(true);
    password->setPlaceholderText(tr("new password; left empty, the current one stays"));
    addLookup(tr("Developer :"), "DBLookupComboBox1", QStringLiteral("DEVELOPER_ID"), developers,
        { QStringLiteral("LASTNAME"), QStringLiteral("NAME") });
    addField(QString(), new DbCheckBox(tr("Is Administrator"), workingSource(), QStringLiteral("IS_ADMIN"), this),
        "DBCheckBox1");
    grid()->addColumn(QStringLiteral("ID"), tr("ID"));
    grid()->addColumn(QStringLiteral("USERNAME"), tr("UserName"), 150);
    grid()->addColumn(QStringLiteral("DEVELOPER_NAME"), tr("Developer"), 200);
}
