#pragma once

#include "framework/o_ModuleForm.h"

// The report window: the search criteria across the top, the results grid
// in the middle, Close at the bottom. The controller attaches the data sets
// and wires the commands.
class TFrmReports : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmReports(QWidget* parent = nullptr);
};
