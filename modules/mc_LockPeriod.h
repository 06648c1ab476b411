#pragma once

#include "components/o_PeriodLock.h"
#include "framework/mc_CustomModule.h"

// Tables > Lock Period... (administrators): shows the stored lock, and Ok
// stores the one the window shows. A lock date must lie before today; a
// database that has no place for the lock says it needs an upgrade.
class TdmLockPeriod : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdOk = 100, cmdCancel = 101 };

    using TCustomModule::TCustomModule;

    // The lock the controls describe.
    TPeriodLock ScreenLock();
    // Checks and stores it; false, with the reason shown, when refused.
    bool Save();

protected:
    void WireEvents() override;
    void BeforeShow() override;
    void HandleEvent0(QObject* sender) override;
};
