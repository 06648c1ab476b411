#pragma once

#include "components/o_ReminderScheduler.h"

class QWidget;
class TqvOptionsManager;

// Loads the settings window's desktop page from the options and the
// autostart folder, and writes back what was changed there (only that, so
// the file keeps the keys it had).
class DesktopSettings
{
public:
    void load(QWidget* form, const TqvOptionsManager& options);
    // Throws AppError when the autostart entry cannot be written or removed.
    void save(QWidget* form, TqvOptionsManager& options) const;

    // The desktop id of the program's entry in the autostart folder.
    static QString autostartId();

private:
    WorkingHours m_hours;
    int m_onLockOrSuspend = 0;
    bool m_startAtLogin = false;
};
