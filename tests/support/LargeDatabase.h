#pragma once

#include <QString>

// A database with many work intervals for benchmarks, generated once with
// the sample data and kept under <build>/bench-data/ for later runs (the
// large ones are made beforehand by hourwright-db, see scripts/bench.sh).
class LargeDatabase
{
public:
    // The path of a database holding `intervals` closed intervals.
    static QString path(qint64 intervals);
    // A private copy of it (for benchmarks that write).
    static QString freshCopy(qint64 intervals, const QString& folder);
    // Peak resident memory of this process so far, in MiB.
    static double peakResidentMiB();
    // Resident memory of this process now, in MiB.
    static double residentMiB();
};
