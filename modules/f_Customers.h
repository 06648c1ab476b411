#pragma once

#include "modules/f_MaintenanceForm.h"

// Customers: short code and name.
class TFrmCustomers : public TMaintenanceForm
{
    Q_OBJECT
public:
    explicit TFrmCustomers(QWidget* parent = nullptr);
};
