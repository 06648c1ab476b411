#pragma once

#include "framework/o_ModuleForm.h"

// The signed-in user's new password, typed twice.
class TFrmChangePassword : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmChangePassword(QWidget* parent = nullptr);
};
