// Sign-in to a usable main window, Stop Monitoring, project switching and
// the clock tick on databases of 1,000,000 and 10,000,000 intervals.
#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/o_DailyBackup.h"
#include "components/o_DatabaseBackup.h"
#include "components/o_OptionsManager.h"
#include "support/LargeDatabase.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {

// Today's copies of a database in its Backups folder.
QStringList todaysBackups(const QString& database)
{
    QStringList found;
    const QString today = QStringLiteral("hwr-%1-").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    for (const QString& path : DatabaseBackup::backupsIn(DatabaseBackup::defaultFolder(database)))
        if (QFileInfo(path).fileName().startsWith(today))
            found << path;
    return found;
}

// A later sign-in of the day: today's copy exists.
void SignInToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString database = LargeDatabase::path(state.range(0));
    prepareOptions(dir, database);
    DatabaseBackup::dailyCopy(database, DatabaseBackup::defaultFolder(database));
    for (auto _ : state) {
        auto main = signInToUsableWindow("anna");
        state.PauseTiming();
        state.counters["resident_MiB"] = LargeDatabase::residentMiB();
        main.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MiB"] = LargeDatabase::peakResidentMiB();
}
BENCHMARK(SignInToUsableWindow)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The day's first sign-in: no copy of the database made today. The window
// is usable before the copy, which its own thread makes afterwards; that is
// waited for outside the timing (backup_s) and removed for the next round.
void FirstSignInOfTheDay(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString database = LargeDatabase::path(state.range(0));
    prepareOptions(dir, database);
    for (const QString& path : todaysBackups(database))
        QFile::remove(path);
    double backupSeconds = 0;
    for (auto _ : state) {
        auto main = signInToUsableWindow("anna");
        state.PauseTiming();
        QElapsedTimer copy;
        copy.start();
        while ((todaysBackups(database).isEmpty() || main->DailyBackup()->isRunning()) && copy.elapsed() < 600000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        backupSeconds += double(copy.elapsed()) / 1000.0;
        if (todaysBackups(database).size() != 1)
            state.SkipWithError("the day's copy was not made");
        main.reset();
        for (const QString& path : todaysBackups(database))
            QFile::remove(path);
        state.ResumeTiming();
    }
    state.counters["backup_s"] = backupSeconds / double(state.iterations());
}
BENCHMARK(FirstSignInOfTheDay)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

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
