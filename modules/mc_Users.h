#pragma once

#include "modules/mc_MaintenanceModule.h"

// Keeps USERS (on a team server whose people are its logins, through the
// server's functions, which also keep the logins). The window never shows a
// stored password: the password field
// starts empty and sets a new one (required for a new user; left empty, an
// existing user keeps the password), hashed on Ok. Names are stored trimmed;
// Ok refuses empty user names, names that differ from another only in letter
// case or surrounding spaces (such a user could never sign in), and removing
// or demoting the last administrator.
class TdmUsers : public TMaintenanceModule
{
    Q_OBJECT
public:
    using TMaintenanceModule::TMaintenanceModule;

    // Why the working copy may not be written, or empty when it may; the
    // row at fault is made current.
    QString problem();

protected:
    void CreateData() override;
    Definition definition() const override;
    void HandleEvent0(QObject* sender) override;

private:
    void applyWithHashes(QObject* sender);

    bool m_serverLogins = false; // people are the team server's logins
};
