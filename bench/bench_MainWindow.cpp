// Sign-in to a usable main window, project switching and the clock tick on a
// database of 1,000,000 intervals.
#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/o_OptionsManager.h"
#include "support/LargeDatabase.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"

#include <QApplication>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {
constexpr qint64 Intervals = 1000000;

void prepareOptions(const QTemporaryDir& dir)
{
    AppPaths::setApplicationFolderForTests(dir.path());
    GetOptionsManager()->setOptionsFileName(dir.filePath("options.ini"));
    GetOptionsManager()->WriteValue(Options::ConnectionSection, Options::DatabaseType, 0);
    GetOptionsManager()->WriteValue(Options::ExportSection, Options::DataBasePath, LargeDatabase::path(Intervals));
}

TdmMain::Ptr<TdmMain> signIn(const QString& user)
{
    auto main = TdmMain::create();
    // Signed in directly: the dialog would wait for a person.
    main->loginDialog()->setShowOnAppStart(false);
    main->UsersQuery()->locate("USERNAME", user);
    main->AfterLogin(nullptr, user);
    return main;
}

void SignInToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir);
    for (auto _ : state) {
        auto main = signIn("anna");
        benchmark::DoNotOptimize(main->ProjectWorkData()->recordCount());
        state.PauseTiming();
        main.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MiB"] = LargeDatabase::peakResidentMiB();
}
BENCHMARK(SignInToUsableWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void SwitchSelectedProject(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir);
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
    state.counters["work_rows_per_project"] = double(rows) / double(state.iterations());
}
BENCHMARK(SwitchSelectedProject)->Unit(benchmark::kMillisecond);

void ClockTick(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir);
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
