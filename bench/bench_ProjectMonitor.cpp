// Start/stop round trip and recalculation on a database of 1,000,000 intervals.
#include "components/o_ProjectMonitor.h"
#include "support/LargeDatabase.h"
#include "toolkit/DbConnection.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {
constexpr qint64 Intervals = 1000000;

void StartStopRoundTrip(benchmark::State& state)
{
    QTemporaryDir dir;
    DbConnection connection;
    connection.openSqlite(LargeDatabase::freshCopy(Intervals, dir.path()));
    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    monitor.DeveloperID = 1;
    monitor.ProjectID = 1;
    for (auto _ : state) {
        monitor.StartMonitoring();
        monitor.StopMonitoring();
    }
}
BENCHMARK(StartStopRoundTrip)->Unit(benchmark::kMillisecond);

void CheckIncompleteWork(benchmark::State& state)
{
    DbConnection connection;
    connection.openSqlite(LargeDatabase::path(Intervals));
    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    monitor.DeveloperID = 3;
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor.CheckIncompleteWork());
}
BENCHMARK(CheckIncompleteWork)->Unit(benchmark::kMillisecond);

// Recalculate Time Spend, one statement per range of keys in one
// transaction: with every stored duration right already (as they are after
// Stop and every correction), and with every one wrong, so that each of the
// million rows is written.
void RecalcTimeSpend(benchmark::State& state)
{
    const bool allWrong = state.range(0) == 1;
    QTemporaryDir dir;
    DbConnection connection;
    connection.openSqlite(LargeDatabase::freshCopy(Intervals, dir.path()));
    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    for (auto _ : state) {
        if (allWrong) {
            state.PauseTiming();
            connection.exec(QStringLiteral("update PROJECTWORK set TIME_SPEND = -1 where TIME_END is not null"));
            state.ResumeTiming();
        }
        monitor.RecalcTimeSpend();
    }
}
BENCHMARK(RecalcTimeSpend)->ArgName("all_wrong")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
