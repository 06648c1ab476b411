#pragma once

#include <QDateTime>

// The one source of "now". Tests freeze it and move it forward instead of
// sleeping; the program never sets it.
class Clock
{
public:
    static QDateTime now();

    // Test control: freeze the clock at a moment, move it, or let it run again.
    static void setNow(const QDateTime& moment);
    static void advance(qint64 msecs);
    static void reset();
    static bool isFrozen();
};
