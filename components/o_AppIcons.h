#pragma once

#include <QIcon>

// The program's icon, rendered from its SVG at build time: the idle clock
// (window icon, and the tray while nothing is measured) and the running
// clock (the tray while an interval is open).
class AppIcons
{
public:
    static QIcon idle();
    static QIcon monitoring();
};
