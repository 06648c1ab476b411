// Sign-in to a usable main window, Stop Monitoring, project switching and
// the clock tick on databases of 1,000,000 and 10,000,000 intervals.
#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/o_OptionsManager.h"
#include "support/LargeDatabase.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {

void SignInToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir, LargeDatabase::path(state.range(0)));
    // The first sign-in of a day also copies and checks the whole database
    // file (Backups); that is timed once, apart from the usual sign-in.
    QElapsedTimer firstOfDay;
    firstOfDay.start();
    signIn("anna").reset();
    state.counters["first_of_day_ms"] = double(firstOfDay.elapsed());
    for (auto _ : state) {
        auto main = signIn("anna");
        main->ModuleForm()->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(main->ProjectWorkData()->recordCount());
        state.PauseTiming();
        state.counters["resident_MiB"] = LargeDatabase::residentMiB();
        main.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MiB"] = LargeDatabase::peakResidentMiB();
}
BENCHMARK(SignInToUsableWindow)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Stop closes the running interval; the window shows it stopped. The
// intervals written are removed again afterwards.
void StopMonitoringToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir, LargeDatabase::path(state.range(0)));
    auto main = signIn("anna");
    QSqlQuery highest = main->AdoConn()->exec(QStringLiteral("select max(ID) from PROJECTWORK"));
    const qint64 lastBefore = highest.next() ? highest.value(0).toLongLong() : 0;
    main->ModuleForm()->show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        main->DoStartMonitoring();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        main->DoStopMonitoring();
        QCoreApplication::processEvents();
    }
    state.counters["work_rows_shown"] = main->ProjectWorkData()->recordCount();
    main->AdoConn()->exec(QStringLiteral("delete from PROJECTWORK where ID > %1").arg(lastBefore));
}
BENCHMARK(StopMonitoringToUsableWindow)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(20);

void SwitchSelectedProject(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir, LargeDatabase::path(state.range(0)));
    auto main = signIn("anna");
    main->ModuleForm()->show();
    SqlQuery* projects = main->ProjectsQuery();
    qint64 rows = 0;
    for (auto _ : state) {
        projects->next();
        if (projects->eof())
            projects->first();
        QCoreApplication::processEvents();
        rows += main->ProjectWorkData()->recordCount();
    }
    state.counters["work_rows_read_per_switch"] = double(rows) / double(state.iterations());
}
BENCHMARK(SwitchSelectedProject)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

void ClockTick(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir, LargeDatabase::path(1000000));
    auto main = signIn("anna");
    main->ModuleForm()->show();
    for (auto _ : state) {
        main->UpdateElapsedLabel();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(ClockTick)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
