#pragma once

#include "framework/o_ModuleForm.h"

// A work interval entered by hand: a project, a start and a stop.
class TFrmSpecialEntry : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmSpecialEntry(QWidget* parent = nullptr);
};
