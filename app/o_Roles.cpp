#include "app/o_Roles.h"

#include "app/mm_main.h"

#include <algorithm>

const QList<Roles::MenuItem>& Roles::administratorItems()
{
    static const QList<MenuItem> items = {
        {"mnuUsers", TdmMain::cmdUsers},
        {"mnuDevelopers", TdmMain::cmdDevelopers},
        {"mnuCustomers", TdmMain::cmdCustomers},
        {"mnuProjects", TdmMain::cmdProjects},
        {"mnuProjectsperDeveloper", TdmMain::cmdProjectsPerDeveloper},
        {"mnuRecalcTimeSpend", TdmMain::cmdRecalcTimeSpend},
        {"mnuLockPeriod", TdmMain::cmdLockPeriod},
        {"mnuChanges", TdmMain::cmdChanges},
    };
    return items;
}

bool Roles::isAdministratorOnly(int command)
{
    const QList<MenuItem>& items = administratorItems();
    return std::any_of(items.begin(), items.end(), [command](const MenuItem& item) { return item.command == command; });
}

QString Roles::refusalText()
{
    return QStringLiteral("Only an administrator may do this. Ask an administrator of your team.");
}
