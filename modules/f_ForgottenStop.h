#pragma once

#include "framework/o_ModuleForm.h"

// The question at sign-in about an interval left running for long: keep it
// running, or stop it at a chosen moment.
class TFrmForgottenStop : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmForgottenStop(QWidget* parent = nullptr);
};
