#pragma once

#include "framework/o_ModuleForm.h"

// A developer's week as a grid of projects and days, with the commands to
// move between weeks, add a project's row and copy last week.
class TFrmWeek : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmWeek(QWidget* parent = nullptr);
};
