#pragma once

#include "framework/mc_CustomModule.h"
#include "framework/o_FileChooser.h"

// The first start of an installed program, when no options file exists:
// either a new personal database (the tables plus its first administrator,
// who is also its first developer) or an existing one, chosen in the settings
// window. Either way the program's options file (the per-user one) then names
// the database, and the start goes on to the sign-in.
class TdmFirstStart : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdCreate = 100, cmdUseExisting = 101, cmdQuit = 102, cmdChooseDataBasePath = 103 };

    using TCustomModule::TCustomModule;

    // The database file offered for a new database.
    QString DefaultDataBasePath;
    // Tests replace it, so no file dialog waits for a person.
    static TFileChooser Chooser;

    // Whether the options file now names a database to open.
    bool Completed() const { return m_completed; }
    // The user the new personal database was made for, who is signed in as
    // that user at once (empty after Use an Existing Database). The password
    // stays in memory only.
    const QString& CreatedUserName() const { return m_createdUser; }
    const QString& CreatedPassword() const { return m_createdPassword; }

    // Checks the fields, creates the database and writes the options. A
    // refusal or failure is shown, and nothing is left behind.
    bool CreatePersonalDatabase();
    void UseExistingDatabase();

protected:
    void WireEvents() override;
    void HandleEvent0(QObject* sender) override;

private:
    QString text(const char* editName);
    void writeExportPath();

    bool m_completed = false;
    QString m_createdUser;
    QString m_createdPassword;
};
