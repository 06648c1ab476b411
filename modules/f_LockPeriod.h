#pragma once

#include "framework/o_ModuleForm.h"

// Tables > Lock Period...: the day through which intervals are locked, and
// the optional grace period that moves the lock on each day.
class TFrmLockPeriod : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmLockPeriod(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
