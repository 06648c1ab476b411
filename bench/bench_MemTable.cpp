// Loading the main window's work rows and switching the selected project,
// on a database of a million intervals built once under <build>/bench-data.

#include "components/o_Schema.h"
#include "support/LargeDatabase.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"
#include "tools/SampleData.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

const char* const workStatement =
    " select PW.ID,PW.PROJECT_ID,PW.DEVELOPER_ID,PW.TIME_START,PW.TIME_END,PW.COMMENTS,PW.TIME_SPEND,\r"
    " PW.COMPLETED,PW.DAY_START,PW.DAY_END,DEV.LASTNAME || ' ' || DEV.NAME as DEVELOPER_NAME,\r"
    " P.DESCRIPTION as PROJECT_NAME,P.CUSTOMER_ID,CUS.NAME as CUSTOMER_NAME\r"
    " from (((PROJECTWORK PW) left join PROJECTS P on P.ID = PW.PROJECT_ID)\r"
    " left join DEVELOPERS DEV on DEV.ID = PW.DEVELOPER_ID) left join CUSTOMER CUS on CUS.ID = P.CUSTOMER_ID\r";

QString s_databasePath;
double s_peakBeforeMb = 0;

void prepareDatabase(const char* program)
{
    QDir build = QFileInfo(QString::fromLocal8Bit(program)).absoluteDir(); // <build>/bench
    build.cdUp();
    const QString folder = build.filePath(QStringLiteral("bench-data"));
    QDir().mkpath(folder);
    s_databasePath = QDir(folder).filePath(QStringLiteral("projectwork-1m.db"));
    if (QFileInfo::exists(s_databasePath))
        return;
    // Built under another name first, so an interrupted run leaves nothing
    // that looks complete.
    const QString partial = s_databasePath + QStringLiteral(".part");
    QFile::remove(partial);
    std::fprintf(stderr, "Building %s (once)...\n", qPrintable(s_databasePath));
    {
        DbConnection connection;
        connection.createSqlite(partial);
        Schema::createSqlite(connection);
        SampleData::fill(connection, {5, 6, 12, 1000000}, QDateTime::currentDateTime());
        connection.close();
    }
    QFile::rename(partial, s_databasePath);
}

// Closed by main before the application object goes.
std::unique_ptr<DbConnection> s_connection;

DbConnection& connection()
{
    if (!s_connection) {
        s_connection = std::make_unique<DbConnection>();
        s_connection->openSqlite(s_databasePath);
    }
    return *s_connection;
}

void BM_OpenAndLoadWorkRows(benchmark::State& state)
{
    int rows = 0;
    double resident = 0;
    for (auto _ : state) {
        SqlQuery query(&connection(), QString::fromLatin1(workStatement));
        query.open();
        MemTable work;
        work.loadFrom(query);
        rows = work.recordCount();
        resident = LargeDatabase::residentMiB();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    state.counters["resident_MB"] = resident; // query and copy both alive
    state.counters["peak_rss_MB"] = LargeDatabase::peakResidentMiB();
    state.counters["peak_rss_before_MB"] = s_peakBeforeMb;
}
BENCHMARK(BM_OpenAndLoadWorkRows)->Unit(benchmark::kMillisecond)->Iterations(3);

struct DetailFixture
{
    SqlQuery query{&connection(), QString::fromLatin1(workStatement)};
    MemTable projects;
    MemTable work;

    DetailFixture()
    {
        query.open();
        projects.addField(QStringLiteral("ID"), FieldType::Integer);
        projects.open();
        for (int id : {1, 2}) {
            projects.append();
            projects.setValue(0, id);
            projects.post();
        }
        projects.first();
        work.loadFrom(query);
        work.model(); // a view's model is reset on each switch too
        work.setMasterLink(&projects, QStringLiteral("ID"), QStringLiteral("PROJECT_ID"));
    }
};

std::unique_ptr<DetailFixture> s_detail;

void BM_SwitchDetailKey(benchmark::State& state)
{
    if (!s_detail)
        s_detail = std::make_unique<DetailFixture>();
    DetailFixture& fixture = *s_detail;
    int position = 0;
    for (auto _ : state) {
        position = 1 - position;
        fixture.projects.setRecNo(position);
        benchmark::DoNotOptimize(fixture.work.recordCount());
    }
    state.counters["rows_of_key"] = fixture.work.recordCount();
    state.counters["rows"] = fixture.query.recordCount();
}
BENCHMARK(BM_SwitchDetailKey)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    prepareDatabase(argv[0]);
    s_peakBeforeMb = LargeDatabase::peakResidentMiB();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    s_detail.reset();
    s_connection.reset();
    return 0;
}
