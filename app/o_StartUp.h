#pragma once

class HourwrightApplication;
class TdmMain;

// The program's main block: the options file (beside the executable, else
// the per-user one), one running copy per user, then either the settings
// window alone (-setup) or the main controller (after the first-start window
// when no options file exists yet), then the loop.
class StartUp
{
public:
    static int run(HourwrightApplication& app);
    // A second start asked this one to show itself: the main window comes
    // back from the tray, and a dialog in front of it comes to the top.
    static void bringForward(TdmMain* main);
};
