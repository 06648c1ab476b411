#include "modules/f_LockPeriod.h"

#include "components/o_PeriodLock.h"
#include "framework/o_FormBuilding.h"
#include "toolkit/DateTimePicker.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

TFrmLockPeriod::TFrmLockPeriod(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmLockPeriod"));
    setWindowTitle(tr("Lock Period"));
    resize(460, 0);

    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(tr("Intervals whose day falls on or before the lock date can be inserted, "
                                      "changed or deleted only by administrators, after a confirmation; every "
                                      "change is recorded in the interval's history. A running interval can "
                                      "always be stopped."),
                                   this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* fields = new QGridLayout();
    auto* locked = named(new QCheckBox(tr("&Locked through :"), this), "chkLockedThrough");
    auto* day = named(new DateTimePicker(DateTimePicker::Date, this), "dtLockedThrough");
    fields->addWidget(locked, 0, 0);
    fields->addWidget(day, 0, 1, 1, 2);
    auto* grace = named(new QCheckBox(tr("&Each day also everything older than :"), this), "chkGrace");
    auto* days = named(new QSpinBox(this), "spnGraceDays");
    days->setRange(0, TPeriodLock::MaxGraceDays);
    days->setSuffix(tr(" days"));
    fields->addWidget(grace, 1, 0);
    fields->addWidget(days, 1, 1);
    fields->setColumnStretch(2, 1);
    layout->addLayout(fields);
    QObject::connect(locked, &QCheckBox::toggled, day, &QWidget::setEnabled);
    QObject::connect(grace, &QCheckBox::toggled, days, &QWidget::setEnabled);

    auto* state = named(new QLabel(this), "lblState");
    state->setWordWrap(true);
    layout->addWidget(state);

    auto* buttons = new QHBoxLayout();
    auto* ok = named(new QPushButton(tr("&Ok"), this), "btnOk");
    ok->setDefault(true);
    auto* cancel = named(new QPushButton(tr("&Cancel"), this), "btnCancel");
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

void TFrmLockPeriod::showEvent(QShowEvent* event)
{
    // The wrapped texts need their height for the window's width; the state's
    // text is only known once the lock has been read.
    TModuleForm::showEvent(event);
    if (const int needed = heightForWidth(width()); needed > height())
        resize(width(), needed);
}
