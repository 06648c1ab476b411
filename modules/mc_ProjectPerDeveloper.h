#pragma once

#include "modules/mc_MaintenanceModule.h"

// Keeps DEVELOPER_PROJECTS. Its list statement depends on the database
// kind, which is known only once the window is about to open.
class TdmProjectPerDeveloper : public TMaintenanceModule
{
    Q_OBJECT
public:
    using TMaintenanceModule::TMaintenanceModule;

    // The kind the main module speaks, unless set otherwise before Execute.
    int DatabaseKind = 0;

    static QString listStatement(int kind);

protected:
    Definition definition() const override;
    void CreateData() override;
    void BeforeShow() override;
};
