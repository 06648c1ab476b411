#pragma once

#include <QDateTime>

class DbConnection;

// Fills a database with customers, developers, projects, users, assignments
// and closed work intervals, so a first run shows something and benchmarks
// have realistic data. Deterministic for a given seed.
class SampleData
{
public:
    struct Counts
    {
        int customers = 5;
        int developers = 6;
        int projects = 12;
        qint64 intervals = 60;
        // The intervals are recorded in the history as inserted by the
        // database tool; benchmarks make theirs without.
        bool recorded = true;
    };

    // Intervals end before `until` and go back as far as needed, a few per
    // working day and developer. One transaction.
    static void fill(DbConnection& connection, const Counts& counts, const QDateTime& until, quint32 seed = 7);
};
