#include "modules/mc_ChangePassword.h"

#include "components/o_OwnPassword.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/MessageService.h"

#include <QLabel>
#include <QLineEdit>

void TdmChangePassword::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnOk"), cmdOk, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnCancel"), cmdCancel, 0, QStringLiteral("OnClick"));
}

void TdmChangePassword::BeforeShow()
{
    TCustomModule::BeforeShow();
    Lookup(QStringLiteral("lblUser"))->AsLabel()->setText(tr("A new password for %1.").arg(User.userName));
    Lookup(QStringLiteral("edtNewPassword"))->as<QLineEdit>()->setFocus();
}

void TdmChangePassword::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdOk:
        if (ChangePassword())
            Close();
        break;
    case cmdCancel:
        Close();
        break;
    default:
        break;
    }
}

bool TdmChangePassword::ChangePassword()
{
    auto* first = Lookup(QStringLiteral("edtNewPassword"))->as<QLineEdit>();
    auto* again = Lookup(QStringLiteral("edtRepeatPassword"))->as<QLineEdit>();
    const QString title = tr("Change Password");
    QString refusal;
    if (first->text().isEmpty())
        refusal = tr("Enter the new password.");
    else if (first->text() != again->text())
        refusal = tr("The two passwords differ. Type the same password twice.");
    if (refusal.isEmpty()) {
        try {
            OwnPassword::change(mainConnection(), User, first->text());
        } catch (const std::exception& error) {
            refusal = errorMessage(error);
        }
    }
    if (!refusal.isEmpty()) {
        again->clear();
        MessageService::warning(title, refusal, ModuleForm());
        return false;
    }
    MessageService::information(title, tr("Your password has been changed."), ModuleForm());
    return true;
}
