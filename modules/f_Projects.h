#pragma once

#include "modules/f_MaintenanceForm.h"

// Projects with their customer and whether they are finished.
class TFrmProjects : public TMaintenanceForm
{
    Q_OBJECT
public:
    explicit TFrmProjects(QWidget* parent = nullptr);
};
