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
        monitor.StartMonitoring(WorkSource::Window);
        monitor.StopMonitoring(WorkSource::Window);
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

void RecalcTimeSpend(benchmark::State& state)
{
    QTemporaryDir dir;
    DbConnection connection;
    connection.openSqlite(LargeDatabase::freshCopy(Intervals, dir.path()));
    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    for (auto _ : state)
        monitor.RecalcTimeSpend(WorkSource::Window);
}
BENCHMARK(RecalcTimeSpend)->Unit(benchmark::kSecond)->Iterations(1);
} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
