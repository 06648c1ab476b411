#include "framework/o_MainModule.h"

namespace {
IMainModule* s_main = nullptr;
}

IMainModule* dmMain()
{
    return s_main;
}

void setDmMain(IMainModule* main)
{
    s_main = main;
}
