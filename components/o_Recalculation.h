#pragma once

#include "components/o_ConnectionSettings.h"

#include <QString>

class QWidget;

// Recalculate Time Spend on a thread and a connection of its own, while a
// progress window (with Cancel) stands over the main window: the window's
// thread keeps painting and the clock keeps ticking.
class TRecalculation
{
public:
    enum class Outcome { Done, Cancelled, Failed };
    struct Result
    {
        Outcome outcome = Outcome::Done;
        QString problem; // when failed: the database's message
    };

    // settings: those of the program's connection (for the embedded file,
    // with the file's full path). Returns when the work has ended.
    static Result run(const ConnectionSettings& settings, QWidget* parent);
};
