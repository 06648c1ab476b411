#pragma once

#include "modules/mc_MaintenanceModule.h"

// Keeps CUSTOMER.
class TdmCustomers : public TMaintenanceModule
{
    Q_OBJECT
public:
    using TMaintenanceModule::TMaintenanceModule;

protected:
    Definition definition() const override;
};
