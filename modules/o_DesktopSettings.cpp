#include "modules/o_DesktopSettings.h"

#include "components/o_OptionsManager.h"
#include "toolkit/AutostartEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QSpinBox>
#include <QTimeEdit>
#include <QWidget>

namespace {
template <typename T> T* control(QWidget* form, const QString& name)
{
    T* found = form->findChild<T*>(name);
    Q_ASSERT(found);
    return found;
}
QCheckBox* dayBox(QWidget* form, int day)
{
    return control<QCheckBox>(form, QStringLiteral("chkWorkDay%1").arg(day));
}
} // namespace

QString DesktopSettings::autostartId()
{
    return QStringLiteral("org.hourwright.Hourwright");
}

void DesktopSettings::load(QWidget* form, const TqvOptionsManager& options)
{
    m_hours = WorkingHours::read(options);
    control<QSpinBox>(form, QStringLiteral("edtReminderMinutes"))->setValue(m_hours.reminderMinutes);
    for (int day = 1; day <= 7; ++day)
        dayBox(form, day)->setChecked(m_hours.days.contains(day));
    control<QTimeEdit>(form, QStringLiteral("edtWorkStart"))->setTime(m_hours.start);
    control<QTimeEdit>(form, QStringLiteral("edtWorkEnd"))->setTime(m_hours.end);

    bool ok = false;
    const int action =
        options.ReadValue(Options::DesktopSection, Options::OnLockOrSuspend, 0).toString().trimmed().toInt(&ok);
    m_onLockOrSuspend = ok && action >= 0 && action <= 2 ? action : 0;
    control<QComboBox>(form, QStringLiteral("edtOnLockOrSuspend"))->setCurrentIndex(m_onLockOrSuspend);

    // What the session will do is what the autostart folder holds.
    m_startAtLogin = AutostartEntry(autostartId()).exists();
    control<QCheckBox>(form, QStringLiteral("chkStartAtLogin"))->setChecked(m_startAtLogin);
}

void DesktopSettings::save(QWidget* form, TqvOptionsManager& options) const
{
    WorkingHours hours;
    hours.reminderMinutes = control<QSpinBox>(form, QStringLiteral("edtReminderMinutes"))->value();
    hours.days.clear();
    for (int day = 1; day <= 7; ++day) {
        if (dayBox(form, day)->isChecked())
            hours.days << day;
    }
    hours.start = control<QTimeEdit>(form, QStringLiteral("edtWorkStart"))->time();
    hours.end = control<QTimeEdit>(form, QStringLiteral("edtWorkEnd"))->time();
    if (hours.reminderMinutes != m_hours.reminderMinutes || hours.days != m_hours.days || hours.start != m_hours.start
        || hours.end != m_hours.end)
        hours.write(options);

    const int action = control<QComboBox>(form, QStringLiteral("edtOnLockOrSuspend"))->currentIndex();
    if (action != m_onLockOrSuspend)
        options.WriteValue(Options::DesktopSection, Options::OnLockOrSuspend, action);

    const bool startAtLogin = control<QCheckBox>(form, QStringLiteral("chkStartAtLogin"))->isChecked();
    if (startAtLogin == m_startAtLogin)
        return;
    const AutostartEntry entry(autostartId());
    if (startAtLogin)
        entry.write(QStringLiteral("Hourwright"), QStringLiteral("Time tracker for software projects"), autostartId(),
                    {QCoreApplication::applicationFilePath(), QStringLiteral("-hidden")});
    else
        entry.remove();
    options.WriteValue(Options::DesktopSection, Options::StartAtLogin, startAtLogin ? 1 : 0);
}
