#pragma once

#include "components/o_SignIn.h"
#include "framework/mc_CustomModule.h"

// File > Change Password...: the signed-in user's own password, typed twice.
// Ok changes it in one write and closes; a refusal or failure is shown and
// the window stays open.
class TdmChangePassword : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdOk = 100, cmdCancel = 101 };

    using TCustomModule::TCustomModule;

    // Input, set before Execute.
    SignedInUser User;

    // Checks the two fields and changes the password; false when refused.
    bool ChangePassword();

protected:
    void WireEvents() override;
    void BeforeShow() override;
    void HandleEvent0(QObject* sender) override;
};
