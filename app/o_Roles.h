#pragma once

#include <QList>
#include <QString>

// Who may run which of the main window's commands: the windows that manage
// people and master data, recalculating every interval's time, locking a
// period and the report of changes are for administrators (IS_ADMIN = 1)
// only. Everyone keeps monitoring, hand entry
// for their own developer, reports, options and About.
class Roles
{
public:
    struct MenuItem
    {
        const char* name;
        int command;
    };
    // The administrator-only commands and the menu items that carry them.
    static const QList<MenuItem>& administratorItems();
    static bool isAdministratorOnly(int command);
    // What a refused command tells its user.
    static QString refusalText();
};
