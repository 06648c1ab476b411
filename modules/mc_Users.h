#pragma once

#include "modules/mc_MaintenanceModule.h"

// Keeps USERS. The window never shows a stored password: the password field
// starts empty and sets a new one (required for a new user; left empty, an
// existing user keeps the password), hashed on Ok. Ok also refuses empty
// user names, names that differ from another only in letter case (such a
// user could never sign in), and removing or demoting the last administrator.
class TdmUsers : public TMaintenanceModule
{
    Q_OBJECT
public:
    using TMaintenanceModule::TMaintenanceModule;

    // Why the working copy may not be written, or empty when it may; the
    // row at fault is made current.
    QString problem();

protected:
    Definition definition() const override;
    void HandleEvent0(QObject* sender) override;

private:
    void applyWithHashes(QObject* sender);
};
