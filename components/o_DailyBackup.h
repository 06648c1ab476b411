#pragma once

#include "toolkit/BackgroundJob.h"

class DbConnection;

// The day's copy of the embedded database, made on a thread and connections
// of its own once the main window is usable, so the first sign-in of a day
// waits for nothing. finished() carries the new copy (empty when today's
// existed already) or the text of the failure to show. Ending the program
// stops a copy under way; the next sign-in makes it.
class TDailyBackup : public BackgroundJob
{
    Q_OBJECT
public:
    using BackgroundJob::BackgroundJob;

    // Starts the day's copy of the connection's database when it is the
    // embedded kind (kind 0) and no copy is under way; false otherwise.
    // Whether today's copy exists already is found on the thread.
    bool start(int kind, const DbConnection& connection);
};
