#pragma once

#include "components/o_Dialect.h"

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

    // database: that of the program's connection. Returns when the work has ended.
    static Result run(const Dialect::ConnectionParameters& database, QWidget* parent);
};
