#pragma once

#include "components/o_ConnectionSettings.h"

#include <QString>
#include <QStringList>

// Tries a connection the way the program would open it, and checks its
// tables. The attempt runs on a thread of its own and is waited for at most
// a little longer than the login timeout: some drivers keep waiting on a
// server that takes the connection and never answers, whatever the timeout,
// and the window that asked must not hang with them. An attempt given up on
// ends by itself later; nothing of it is used.
struct ConnectionProbe
{
    enum Outcome { Ready, Failed, NotAnswering };

    Outcome outcome = Failed;
    QString failure;     // Failed: the driver's message
    QStringList missing; // Ready: tables and columns the program needs but the database lacks

    static ConnectionProbe run(const ConnectionSettings& settings, int loginTimeoutSeconds);
};
