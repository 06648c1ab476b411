#pragma once

#include "modules/f_MaintenanceForm.h"

// Users who can sign in: name, a new password, developer and administrator flag.
class TFrmUsers : public TMaintenanceForm
{
    Q_OBJECT
public:
    explicit TFrmUsers(QWidget* parent = nullptr);
};
