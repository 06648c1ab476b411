// The report window's search over 1,000,000 intervals, and the export of
// 100,000 result rows into a workbook copy.
#include "components/o_DataSetToCsv.h"
#include "components/o_DataSetToExcel.h"
#include "components/o_ReportTotals.h"
#include "components/o_OptionsManager.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "modules/f_Reports.h"
#include "modules/mc_Reports.h"
#include "support/LargeDatabase.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbConnection.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/XlsxWorkbook.h"

#include <QApplication>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {
constexpr qint64 Intervals = 1000000;

class BenchMain : public IMainModule
{
public:
    explicit BenchMain(DbConnection& connection)
        : m_connection(connection)
    {
        setDmMain(this);
    }
    ~BenchMain() override { setDmMain(nullptr); }
    DbConnection* AdoConn() const override { return &m_connection; }
    TqvProjectMonitor* ProjectMonitor() const override { return nullptr; }
    int DatabaseKind() const override { return 0; }

private:
    DbConnection& m_connection;
};

void printPlan(DbConnection& connection, const QString& sql, const char* label)
{
    // The benchmark library may run a case more than once; one plan each is enough.
    static QSet<QString> printed;
    if (printed.contains(QLatin1String(label)))
        return;
    printed.insert(QLatin1String(label));
    QSqlQuery plan = connection.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    std::fprintf(stderr, "plan (%s):\n", label);
    while (plan.next())
        std::fprintf(stderr, "  %s\n", qPrintable(plan.value(3).toString()));
}

// Opens the connection on the million intervals, for member initialisers.
DbConnection& openLarge(DbConnection& connection)
{
    connection.openSqlite(LargeDatabase::path(Intervals));
    return connection;
}

// The report window on the million intervals, with options of its own.
struct ReportWindow
{
    ReportWindow()
        : main(openLarge(connection))
    {
        AppPaths::setApplicationFolderForTests(folder.path());
        GetOptionsManager()->setOptionsFileName(QDir(folder.path()).filePath("options.ini"));
        module = TCustomModule::Create<TdmReports, TFrmReports>();
        module->DatabaseKind = 0;
    }
    ~ReportWindow()
    {
        module.reset();
        AppPaths::setApplicationFolderForTests(QString());
    }
    DbConnection connection;
    BenchMain main;
    QTemporaryDir folder;
    TCustomModule::Ptr<TdmReports> module;
};

// The newest month of the sample data, and one far back in it, where
// DAY_START >= first day leaves the whole later history to look at.
void Search(benchmark::State& state)
{
    const bool recent = state.range(0) == 0;
    ReportWindow window;
    DbConnection& connection = window.connection;
    QDate from(2026, 11, 1);
    if (!recent) {
        QSqlQuery oldest = connection.exec("select min(DAY_START) from PROJECTWORK");
        oldest.next();
        const QDate start = QDate::fromString(oldest.value(0).toString(), Qt::ISODate);
        from = QDate((start.year() + from.year()) / 2, 3, 1);
    }
    const QDate to = from.addMonths(1).addDays(-1);

    TdmReports* module = window.module.get();
    module->CriteriaRecord()->setValue("DEVELOPER_ID", 1);
    auto* start = module->Lookup("dtDateStart")->as<DateTimePicker>();
    auto* stop = module->Lookup("dtDateStop")->as<DateTimePicker>();
    start->setChecked(true);
    start->setDateTime(QDateTime(from, QTime(12, 0)));
    stop->setChecked(true);
    stop->setDateTime(QDateTime(to, QTime(12, 0)));

    qint64 rows = 0;
    for (auto _ : state) {
        module->Search();
        rows = module->ResultsQuery()->recordCount();
    }
    state.counters["rows"] = double(rows);
    state.SetLabel(QStringLiteral("%1 to %2").arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)).toStdString());
    printPlan(connection, module->ResultsQuery()->sql(), recent ? "recent month" : "month in the middle");
}
BENCHMARK(Search)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Totals, groups and chart buckets of a search that found every completed
// interval of the million.
void Totals(benchmark::State& state)
{
    ReportWindow window;
    window.module->Search();
    const MemTable& results = *window.module->ResultsQuery();
    TReportTotals totals;
    for (auto _ : state) {
        totals = TReportTotals::of(results);
        benchmark::DoNotOptimize(totals.Minutes);
    }
    state.counters["rows"] = double(results.recordCount());
    state.counters["projects"] = double(totals.ByProject.size());
    state.counters["buckets"] = double(totals.Buckets.size());
    state.SetLabel(totals.text().toStdString());
}
BENCHMARK(Totals)->Unit(benchmark::kMillisecond);

// The report's seven columns of the first rows of the million, bound to a grid.
struct ExportRows
{
    explicit ExportRows(int rows)
        : results(&openLarge(connection),
                     QStringLiteral("select PR.DESCRIPTION as PROJECT_NAME,DEV.LASTNAME as DEV_LASTNAME,"
                                    "PROJECTWORK.DAY_START,PROJECTWORK.DAY_END,PROJECTWORK.TIME_SPEND,"
                                    "PROJECTWORK.TIME_START,PROJECTWORK.TIME_END from PROJECTWORK "
                                    "left join PROJECTS PR on PR.ID = PROJECTWORK.PROJECT_ID "
                                    "left join DEVELOPERS DEV on DEV.ID = PROJECTWORK.DEVELOPER_ID limit %1")
                         .arg(rows))
    {
        results.open();
        source.setDataSet(&results);
        for (const char* field :
             {"PROJECT_NAME", "DEV_LASTNAME", "DAY_START", "DAY_END", "TIME_SPEND", "TIME_START", "TIME_END"})
            grid.addColumn(QString::fromLatin1(field), QString::fromLatin1(field), 100);
        grid.setDataSource(&source);
    }
    DbConnection connection;
    SqlQuery results;
    DataSource source;
    DbGrid grid;
};

// 100,000 rows of the report's seven columns, exported as the window does.
void Export(benchmark::State& state)
{
    const int rows = int(state.range(0));
    ExportRows data(rows);
    DbGrid& grid = data.grid;

    QTemporaryDir folder;
    const QString workbook = QDir(folder.path()).filePath("Hourwright.xlsx");
    XlsxWriter::createEmptyWorkbook(workbook);
    QDir(folder.path()).mkpath("out");
    TDataSetToExcel excel;
    excel.setExcelFileName(workbook);
    excel.setOutputFolder(QDir(folder.path()).filePath("out"));
    QProgressBar bar;
    excel.setProgressBar(&bar);

    const double before = LargeDatabase::peakResidentMiB();
    for (auto _ : state) {
        excel.ExportGrid(&grid);
        state.PauseTiming();
        QFile::remove(excel.LastExportFileName());
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["peak_MiB"] = LargeDatabase::peakResidentMiB();
    state.counters["peak_growth_MiB"] = LargeDatabase::peakResidentMiB() - before;
}
// The short run first, so the long one's peak growth shows what the rows add.
BENCHMARK(Export)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rows as comma-separated values.
void ExportCsv(benchmark::State& state)
{
    const int rows = int(state.range(0));
    ExportRows data(rows);
    QTemporaryDir folder;
    TDataSetToCsv csv;
    csv.setOutputFolder(folder.path());
    QProgressBar bar;
    csv.setProgressBar(&bar);
    qint64 bytes = 0;
    for (auto _ : state) {
        csv.ExportGrid(&data.grid);
        state.PauseTiming();
        bytes = QFileInfo(csv.LastExportFileName()).size();
        QFile::remove(csv.LastExportFileName());
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["MiB"] = double(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(ExportCsv)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
