#pragma once

#include <QString>

class DbConnection;
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
        int leftLocked = 0; // durations in the locked period that differ, left as they are
    };

    // database: the program's connection, opened again on the job's thread
    // as the same login; userName and isAdmin: who signed in, for the
    // history. Returns when the work has ended.
    static Result run(const DbConnection& database, const QString& userName, bool isAdmin, QWidget* parent);
    // What is said about durations left in the locked period; empty for none.
    static QString leftLockedText(int count);
};
