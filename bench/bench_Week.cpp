// The week window on a database of 1,000,000 intervals: opening it, typing
// a cell until the grid shows the change, and moving to another week.
#include "components/o_ProjectMonitor.h"
#include "components/o_ReportTotals.h"
#include "components/o_Schema.h"
#include "components/o_WeekModel.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Week.h"
#include "modules/mc_Week.h"
#include "support/LargeDatabase.h"
#include "toolkit/Clock.h"

#include <QPushButton>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {
constexpr qint64 Intervals = 1000000;

// A signed-in main window on a copy of the database (the cell benchmark
// writes), with the hand-entry mark, in the last full week of the sample
// data.
struct Setup
{
    QTemporaryDir dir;
    TdmMain::Ptr<TdmMain> main;

    Setup()
    {
        prepareOptions(dir, LargeDatabase::freshCopy(Intervals, dir.path()));
        main = signIn(QStringLiteral("anna"));
        Schema::upgrade(*main->AdoConn());
        Clock::setNow(QDateTime(QDate(2026, 11, 25), QTime(12, 0)));
    }
    ~Setup() { Clock::reset(); }

    TCustomModule::Ptr<TdmWeek> openWeek()
    {
        auto week = TCustomModule::Create<TdmWeek, TFrmWeek>();
        week->User = {main->ProjectMonitor()->DeveloperID, false};
        week->Execute(false);
        QCoreApplication::processEvents();
        return week;
    }
};

void OpenWeek(benchmark::State& state)
{
    Setup setup;
    int intervals = 0;
    for (auto _ : state) {
        auto week = setup.openWeek();
        state.PauseTiming();
        intervals = 0;
        for (const TWeekRow& row : week->Sheet().Rows)
            for (const TWeekCell& cell : row.days)
                intervals += int(cell.intervals.size());
        week.reset();
        state.ResumeTiming();
    }
    state.counters["intervals_in_week"] = intervals;
}
BENCHMARK(OpenWeek)->Unit(benchmark::kMillisecond);

// One hour more, then back: a hand entry added after the day's last
// interval, then removed; each until the grid shows the day's new time.
void ChangeCellBackToUsableGrid(benchmark::State& state)
{
    Setup setup;
    auto week = setup.openWeek();
    if (week->Sheet().Rows.isEmpty()) {
        state.SkipWithError("no time in the week");
        return;
    }
    const TWeekRow& row = week->Sheet().Rows.first();
    const int projectId = row.projectId;
    const qint64 recorded = row.days.at(0).minutes;
    bool more = true;
    for (auto _ : state) {
        const QModelIndex cell = week->Model()->cellIndex(projectId, 0);
        const qint64 wanted = recorded + (more ? 60 : 0);
        if (!week->Model()->setData(cell, TReportTotals::hoursText(wanted)))
            state.SkipWithError("the cell was not written");
        QCoreApplication::processEvents();
        if (week->Sheet().Rows.at(week->Sheet().rowOf(projectId)).days.at(0).minutes != wanted)
            state.SkipWithError("the grid does not show the change");
        more = !more;
    }
}
BENCHMARK(ChangeCellBackToUsableGrid)->Unit(benchmark::kMillisecond);

void MoveToAnotherWeek(benchmark::State& state)
{
    Setup setup;
    auto week = setup.openWeek();
    QPushButton* previous = week->Lookup(QStringLiteral("btnPreviousWeek"))->as<QPushButton>();
    QPushButton* next = week->Lookup(QStringLiteral("btnNextWeek"))->as<QPushButton>();
    bool back = true;
    for (auto _ : state) {
        (back ? previous : next)->click();
        QCoreApplication::processEvents();
        back = !back;
    }
    state.counters["rows"] = week->Model()->rowCount();
}
BENCHMARK(MoveToAnotherWeek)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
