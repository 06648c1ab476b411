#pragma once

#include "modules/f_MaintenanceForm.h"

// Developers: family name and given name.
class TFrmDevelopers : public TMaintenanceForm
{
    Q_OBJECT
public:
    explicit TFrmDevelopers(QWidget* parent = nullptr);
};
