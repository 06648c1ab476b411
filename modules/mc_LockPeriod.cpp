#include "modules/mc_LockPeriod.h"

#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/MessageService.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

void TdmLockPeriod::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnOk"), cmdOk, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnCancel"), cmdCancel, 0, QStringLiteral("OnClick"));
}

void TdmLockPeriod::BeforeShow()
{
    TCustomModule::BeforeShow();
    DbConnection& connection = mainConnection();
    QLabel* state = Lookup(QStringLiteral("lblState"))->AsLabel();
    if (!TPeriodLock::isAvailable(connection)) {
        state->setText(TPeriodLock::upgradeNeededText());
        for (const char* name : {"chkLockedThrough", "chkGrace", "btnOk"})
            Lookup(QString::fromLatin1(name))->as<QWidget>()->setEnabled(false);
        return;
    }
    const TPeriodLock lock = TPeriodLock::read(connection);
    const QDate today = Clock::now().date();
    auto* locked = Lookup(QStringLiteral("chkLockedThrough"))->AsCheckBox();
    auto* day = Lookup(QStringLiteral("dtLockedThrough"))->as<DateTimePicker>();
    // Without a date, the end of last month is what is usually closed.
    day->setDateTime(QDateTime(lock.lockedThrough.isValid() ? lock.lockedThrough
                                                            : QDate(today.year(), today.month(), 1).addDays(-1),
                               QTime(0, 0)));
    locked->setChecked(lock.lockedThrough.isValid());
    day->setEnabled(locked->isChecked());
    auto* grace = Lookup(QStringLiteral("chkGrace"))->AsCheckBox();
    auto* days = Lookup(QStringLiteral("spnGraceDays"))->as<QSpinBox>();
    days->setValue(lock.graceDays >= 0 ? lock.graceDays : 30);
    grace->setChecked(lock.graceDays >= 0);
    days->setEnabled(grace->isChecked());
    state->setText(tr("Now: %1").arg(lock.describe(today)));
    locked->setFocus();
}

TPeriodLock TdmLockPeriod::ScreenLock()
{
    TPeriodLock lock;
    if (Lookup(QStringLiteral("chkLockedThrough"))->AsCheckBox()->isChecked())
        lock.lockedThrough = Lookup(QStringLiteral("dtLockedThrough"))->as<DateTimePicker>()->date();
    if (Lookup(QStringLiteral("chkGrace"))->AsCheckBox()->isChecked())
        lock.graceDays = Lookup(QStringLiteral("spnGraceDays"))->as<QSpinBox>()->value();
    return lock;
}

bool TdmLockPeriod::Save()
{
    const TPeriodLock lock = ScreenLock();
    if (lock.lockedThrough.isValid()) {
        const QString refused = TPeriodLock::refusalOfDate(lock.lockedThrough, Clock::now().date());
        if (!refused.isEmpty()) {
            MessageService::warning(tr("Lock Period"), refused, ModuleForm());
            return false;
        }
    }
    TPeriodLock::write(mainConnection(), lock);
    Close();
    return true;
}

void TdmLockPeriod::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdOk:
        Save();
        break;
    case cmdCancel:
        Close();
        break;
    default:
        break;
    }
}
