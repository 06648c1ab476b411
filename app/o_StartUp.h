#pragma once

class HourwrightApplication;

// The program's main block: options file beside the executable, then either
// the settings window alone (-setup) or the main controller, then the loop.
class StartUp
{
public:
    static int run(HourwrightApplication& app);
};
