// The projects window on 10,000 projects: opening it, and Ok after 100 of
// them were changed.
#include "framework/o_ComponentCaster.h"
#include "modules/f_Projects.h"
#include "modules/mc_Projects.h"
#include "support/TestDatabase.h"
#include "support/TestMain.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"

#include <QApplication>
#include <QPushButton>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {
constexpr int Projects = 10000;
constexpr int Changed = 100;

struct ProjectsData
{
    ProjectsData()
        : main(db)
    {
        db.exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 50) "
                "insert into CUSTOMER (CODE,NAME) select 'C' || i, 'Customer ' || i from n");
        db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                               "insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) "
                               "select 'Project ' || i, 1 + i % 50, i % 7 = 0 from n")
                    .arg(Projects));
    }
    TestDatabase db;
    TestMain main;
};

void OpenProjects(benchmark::State& state)
{
    ProjectsData data;
    int rows = 0;
    for (auto _ : state) {
        auto module = TCustomModule::Create<TdmProjects, TFrmProjects>();
        module->Execute(false);
        rows = module->WorkingCopy()->recordCount();
        module->Close();
    }
    state.counters["projects"] = rows;
}
BENCHMARK(OpenProjects)->Unit(benchmark::kMillisecond);

// Opening, renaming every hundredth project and pressing Ok.
void ChangeHundredAndOk(benchmark::State& state)
{
    ProjectsData data;
    int round = 0;
    for (auto _ : state) {
        auto module = TCustomModule::Create<TdmProjects, TFrmProjects>();
        module->Execute(false);
        MemTable* copy = module->WorkingCopy();
        ++round;
        for (int i = 0; i < Changed; ++i) {
            copy->setRecNo(i * (Projects / Changed));
            copy->setValue("DESCRIPTION", QStringLiteral("Renamed %1 in round %2").arg(i).arg(round));
            copy->post();
        }
        module->Lookup("btnOk")->as<QPushButton>()->click();
        if (module->ModuleForm()->isVisible())
            state.SkipWithError("Ok did not close the window");
    }
    const qint64 renamed =
        data.db.scalar(QStringLiteral("select count(*) from PROJECTS where DESCRIPTION like 'Renamed %% in round %1'")
                           .arg(round))
            .toLongLong();
    if (renamed != Changed)
        state.SkipWithError("not every change was written");
    state.counters["changed"] = double(renamed);
}
BENCHMARK(ChangeHundredAndOk)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
