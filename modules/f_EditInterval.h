#pragma once

#include "framework/o_ModuleForm.h"

// One recorded interval to correct: its project, start, stop and comment,
// and on a second tab its recorded changes.
class TFrmEditInterval : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmEditInterval(QWidget* parent = nullptr);
};
