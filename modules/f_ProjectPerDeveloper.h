#pragma once

#include "modules/f_MaintenanceForm.h"

// Which developer works on which project.
class TFrmProjectPerDeveloper : public TMaintenanceForm
{
    Q_OBJECT
public:
    explicit TFrmProjectPerDeveloper(QWidget* parent = nullptr);
};
