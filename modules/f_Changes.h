#pragma once

#include "framework/o_ModuleForm.h"

// Statistics > Changes...: every recorded change of an interval in a period.
class TFrmChanges : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmChanges(QWidget* parent = nullptr);
};
