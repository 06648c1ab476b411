#include "modules/f_ChangePassword.h"

#include "framework/o_FormBuilding.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFrmChangePassword::TFrmChangePassword(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmChangePassword"));
    setWindowTitle(tr("Change Password"));
    resize(380, 0);

    auto* layout = new QVBoxLayout(this);
    auto* who = named(new QLabel(this), "lblUser");
    who->setWordWrap(true);
    layout->addWidget(who);
    auto* rows = new QFormLayout();
    addLabeledEdit(rows, this, tr("&New password :"), "edtNewPassword")->setEchoMode(QLineEdit::Password);
    addLabeledEdit(rows, this, tr("&Repeat it :"), "edtRepeatPassword")->setEchoMode(QLineEdit::Password);
    layout->addLayout(rows);

    auto* buttons = new QHBoxLayout();
    auto* ok = named(new QPushButton(tr("Ok"), this), "btnOk");
    ok->setDefault(true);
    auto* cancel = named(new QPushButton(tr("Cancel"), this), "btnCancel");
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}
