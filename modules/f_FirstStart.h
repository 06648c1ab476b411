#pragma once

#include "framework/o_ModuleForm.h"

// The first start of an installed program: a new personal database with its
// first administrator, or an existing database through the settings window.
class TFrmFirstStart : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmFirstStart(QWidget* parent = nullptr);
};
