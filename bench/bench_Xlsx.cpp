// Writing a report-sized sheet: rows of seven typed columns, as the results
// grid holds them. Goal: 100,000 rows in under 3 s, with memory that does not
// grow with the row count (the peak RSS growth is reported per run).
#include "toolkit/XlsxWorkbook.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <vector>
#include <string>

namespace {

// Peak and current resident set, in kB, from /proc.
long statusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Lets the next peak be measured from here (Linux: "5" resets VmHWM).
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A fixed pool of rows, cycled: building local date-times costs more than
// writing them, and a pool keeps the generator's memory out of the figure.
const std::vector<QVariantList>& reportRows()
{
    static const std::vector<QVariantList> rows = [] {
        std::vector<QVariantList> pool;
        const QDateTime base(QDate(2009, 5, 1), QTime(8, 0));
        for (int i = 0; i < 1000; ++i) {
            const QDateTime start = base.addSecs(i * 397);
            const QDateTime end = start.addSecs(60 * (15 + i % 240));
            pool.push_back({QStringLiteral("Project %1 & Co").arg(i % 50), QStringLiteral("Developer <%1>").arg(i % 17),
                            start.date(), start, end, (start.secsTo(end) / 60) / 60.0, i % 7 != 0});
        }
        return pool;
    }();
    return rows;
}

void BM_XlsxWrite(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("template.xlsx"));
    XlsxWriter::createEmptyWorkbook(templ);
    const qint64 rows = state.range(0);
    const auto& pool = reportRows();
    long growthKb = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        const QString out = dir.filePath(QStringLiteral("out.xlsx"));
        resetPeak();
        const long before = statusKb("VmRSS");
        XlsxWriter writer(templ, out);
        writer.addRow({"Project", "Developer", "Day", "Start", "End", "Hours", "Completed"},
                      XlsxWriter::RowStyle::Bold);
        for (qint64 i = 0; i < rows; ++i)
            writer.addRow(pool[size_t(i) % pool.size()]);
        writer.finish();
        growthKb = std::max(growthKb, statusKb("VmHWM") - before);
        bytes = QFile(out).size();
    }
    state.counters["rows"] = double(rows);
    state.counters["peak_rss_growth_kB"] = double(growthKb);
    state.counters["file_kB"] = double(bytes / 1024);
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_XlsxWrite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
