#include "framework/o_MainModule.h"

#include "toolkit/AppError.h"

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

DbConnection& mainConnection()
{
    if (!s_main || !s_main->AdoConn())
        throw AppError(QStringLiteral("No database connection is open"));
    return *s_main->AdoConn();
}
