// The program on a PostgreSQL server: sign-in to a usable main window,
// Start + Stop, and the report search for one developer and one month on
// 1,000,000 intervals (the same rows as the embedded benchmarks' database),
// and 20 clients with their own connections doing Start/Stop rounds at once.
//
// The server is the one HW_TEST_PG_SERVER, _DATABASE, _USER and _PASSWORD
// name (scripts/bench.sh starts a throw-away one); the million intervals are
// copied into a database of their own on the first run and kept there.
#include "app/mm_main.h"
#include "app/o_ServerStatus.h"
#include "components/o_ConnectionSettings.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "components/o_ServerLink.h"
#include "components/o_ServerLogins.h"
#include "components/o_TeamServer.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "modules/f_Reports.h"
#include "modules/mc_Reports.h"
#include "support/LargeDatabase.h"
#include "support/TcpProxy.h"
#include "support/TestDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 Intervals = 1000000;

ConnectionSettings server(const QString& dataBaseName)
{
    return TestDatabase::serverSettings(dataBaseName);
}

// A database of the server given the schema anew, or found as it is.
void makeDatabase(const QString& name, bool fresh)
{
    DbConnection maintenance;
    server(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(maintenance);
    maintenance.exec(QStringLiteral("set client_min_messages to warning"));
    QSqlQuery found = maintenance.exec(QStringLiteral("select count(*) from pg_database where datname = ?"), {name});
    const bool exists = found.next() && found.value(0).toInt() > 0;
    found.finish();
    if (exists && !fresh)
        return;
    if (exists)
        maintenance.exec(QStringLiteral("drop database %1 with (force)").arg(name));
    maintenance.exec(QStringLiteral("create database %1").arg(name));
    DbConnection connection;
    server(name).open(connection);
    Schema::create(connection, Dialect::schemaScript(Dialect::PostgreSql));
}

// The embedded benchmarks' million intervals, copied once into the server.
QString largeServerDatabase()
{
    const QString name = QStringLiteral("hw_bench_%1").arg(Intervals);
    makeDatabase(name, false);
    DbConnection target;
    server(name).open(target);
    QSqlQuery count = target.exec(QStringLiteral("select count(*) from PROJECTWORK"));
    if (count.next() && count.value(0).toLongLong() >= Intervals)
        return name;
    count.finish();
    std::fprintf(stderr, "copying %lld intervals into the server's %s ...\n", Intervals, qPrintable(name));
    QElapsedTimer copying;
    copying.start();
    DbConnection source;
    source.openSqlite(LargeDatabase::path(Intervals));
    TransactionGuard transaction(target);
    for (const Schema::Table& table : Schema::tables()) {
        target.exec(QStringLiteral("delete from %1").arg(table.name));
        const QString columns = table.columns.join(QLatin1Char(','));
        QSqlQuery rows = source.exec(QStringLiteral("select %1 from %2 order by ID").arg(columns, table.name));
        constexpr int batch = 500;
        QVariantList values;
        int inBatch = 0;
        const QString row = QLatin1Char('(') + QStringList(table.columns.size(), QStringLiteral("?")).join(',') + ')';
        auto flush = [&] {
            if (inBatch == 0)
                return;
            target.exec(QStringLiteral("insert into %1 (%2) values %3")
                            .arg(table.name, columns, QStringList(inBatch, row).join(QLatin1Char(','))),
                        values);
            values.clear();
            inBatch = 0;
        };
        while (rows.next()) {
            for (int c = 0; c < table.columns.size(); ++c)
                values << rows.value(c);
            if (++inBatch == batch)
                flush();
        }
        flush();
        // Keys given here leave the identity behind; new rows follow them.
        target.exec(QStringLiteral("select setval(pg_get_serial_sequence('%1', 'id'), coalesce(max(ID), 0) + 1, false) "
                                   "from %1")
                        .arg(table.name.toLower()));
    }
    transaction.commit();
    target.exec(QStringLiteral("analyze"));
    std::fprintf(stderr, "copied in %.0f s\n", copying.elapsed() / 1000.0);
    return name;
}

// The same million intervals with one login per person and row security: a
// copy of the shared login's database, upgraded once and kept. The sample
// users become the logins hwb_<name>, all with the password "changeme".
const QString PersonalPassword = QStringLiteral("changeme");
QString personalServerDatabase()
{
    const QString shared = largeServerDatabase();
    const QString name = shared + QStringLiteral("_people");
    DbConnection admin;
    TestDatabase::adminSettings(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(admin);
    QSqlQuery found = admin.exec(QStringLiteral("select count(*) from pg_database where datname = ?"), {name});
    if (found.next() && found.value(0).toInt() > 0)
        return name;
    found.finish();
    admin.exec(QStringLiteral("create database %1 template %2").arg(name, shared));
    DbConnection db;
    TestDatabase::adminSettings(name).open(db);
    db.exec(QStringLiteral("update USERS set USERNAME = 'hwb_' || USERNAME"));
    TeamServer::upgrade(db);
    QSqlQuery users = db.exec(QStringLiteral("select USERNAME from USERS"));
    QStringList names;
    while (users.next())
        names << users.value(0).toString();
    users.finish();
    for (const QString& user : names)
        ServerLogins::setPassword(db, user, PersonalPassword);
    return name;
}

void prepareServerOptions(const QTemporaryDir& dir, const QString& dataBaseName)
{
    const ConnectionSettings settings = server(dataBaseName);
    AppPaths::setApplicationFolderForTests(dir.path());
    TqvOptionsManager* options = GetOptionsManager();
    options->setOptionsFileName(dir.filePath("options.ini"));
    options->WriteValue(Options::ConnectionSection, Options::DatabaseType, settings.kind);
    options->WriteValue(Options::ConnectionSection, Options::ServerName, settings.serverName);
    options->WriteValue(Options::ConnectionSection, Options::DataBaseName, settings.dataBaseName);
    options->WriteEncodedValue(Options::ConnectionSection, Options::UserName, settings.userName);
    options->WriteEncodedValue(Options::ConnectionSection, Options::Password, settings.password);
}

void SignInToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareServerOptions(dir, largeServerDatabase());
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
}
BENCHMARK(SignInToUsableWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same with anna's own login: the sign-in opens the connection, and row
// security is on.
void SignInWithOwnLogin(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareServerOptions(dir, personalServerDatabase());
    GetOptionsManager()->WriteEncodedValue(Options::ConnectionSection, Options::UserName, QString());
    GetOptionsManager()->WriteEncodedValue(Options::ConnectionSection, Options::Password, QString());
    for (auto _ : state) {
        auto main = TdmMain::create();
        main->loginDialog()->setShowOnAppStart(false);
        if (!main->loginDialog()->ValidateLogin(QStringLiteral("hwb_anna"), PersonalPassword))
            state.SkipWithError("the sign-in was refused");
        main->ModuleForm()->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(main->ProjectWorkData()->recordCount());
        state.PauseTiming();
        state.counters["resident_MiB"] = LargeDatabase::residentMiB();
        main.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(SignInWithOwnLogin)->Unit(benchmark::kMillisecond)->Iterations(5);

// Start and Stop from the main window, each until the window shows it; the
// intervals written are removed again afterwards.
void StartAndStop(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareServerOptions(dir, largeServerDatabase());
    auto main = signIn("anna");
    QSqlQuery highest = main->AdoConn()->exec(QStringLiteral("select max(ID) from PROJECTWORK"));
    const qint64 lastBefore = highest.next() ? highest.value(0).toLongLong() : 0;
    highest.finish();
    main->ModuleForm()->show();
    QCoreApplication::processEvents();
    TServerLink& link = *main->serverStatus()->link();
    // Written on the server, not only kept in the journal.
    auto untilWritten = [&] {
        do
            QCoreApplication::processEvents();
        while (link.waitingCount() > 0);
    };
    for (auto _ : state) {
        main->DoStartMonitoring();
        untilWritten();
        main->DoStopMonitoring();
        untilWritten();
    }
    main->AdoConn()->exec(QStringLiteral("delete from PROJECTWORK where ID > %1").arg(lastBefore));
}
BENCHMARK(StartAndStop)->Unit(benchmark::kMillisecond)->Iterations(20);

// A small database of its own with one user, anna, on one project, and the
// options of a window that reaches it through the test support's proxy.
std::unique_ptr<TcpProxy> outageSetup(const QTemporaryDir& dir)
{
    const QString name = QStringLiteral("hw_bench_outage");
    makeDatabase(name, true);
    {
        DbConnection setup;
        server(name).open(setup);
        setup.exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna')"));
        setup.exec(QStringLiteral("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Portal',0,0)"));
        setup.exec(QStringLiteral("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1)"));
        setup.exec(QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna','pw')"));
    }
    prepareServerOptions(dir, name);
    auto proxy = std::make_unique<TcpProxy>(server(name).serverName);
    GetOptionsManager()->WriteValue(Options::ConnectionSection, Options::ServerName, proxy->address());
    return proxy;
}

void processUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The longest stall of the window's event loop while the link to the server
// is paused (the server does not answer, nothing is closed): Stop, Start,
// View > Refresh and a menu, over 9 s, in which the sender's call on the
// server reaches its deadline and the server counts as away.
void EventLoopStallWhileUnreachable(benchmark::State& state)
{
    QTemporaryDir dir;
    auto proxy = outageSetup(dir);
    auto main = signIn("anna");
    main->ModuleForm()->show();
    TServerLink& link = *main->serverStatus()->link();
    QMenu* menu = main->ModuleForm()->findChild<QMenu*>(QStringLiteral("Actions1"));
    double longest = 0;
    for (auto _ : state) {
        main->DoStartMonitoring();
        processUntil([&] { return link.waitingCount() == 0; });
        proxy->pause();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, double(now - last));
            last = now;
        });
        ticks.start(5);
        const QList<std::pair<int, std::function<void()>>> actions{
            {100, [&] { main->DoStopMonitoring(); }},
            {400, [&] { main->DoStartMonitoring(); }},
            {700, [&] { main->Refresh(); }},
            {1000, [&] { menu->popup(QPoint(10, 10)); }},
            {1300, [&] { menu->hide(); }},
            {8000, [&] { main->Refresh(); }},
        };
        for (const auto& [at, action] : actions)
            QTimer::singleShot(at, action);
        processUntil([&] { return clock.elapsed() > 9000; });
        ticks.stop();
        state.PauseTiming();
        proxy->resume();
        processUntil([&] { return link.waitingCount() == 0 && !link.isAway(); });
        main->DoStopMonitoring();
        processUntil([&] { return link.waitingCount() == 0; });
        state.ResumeTiming();
    }
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(EventLoopStallWhileUnreachable)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// From the server's return to an empty journal, with 10 changes (5 Starts
// and 5 Stops) kept while new connections were refused.
void JournalEmptyAfterReturn(benchmark::State& state)
{
    QTemporaryDir dir;
    auto proxy = outageSetup(dir);
    auto main = signIn("anna");
    main->ModuleForm()->show();
    TServerLink& link = *main->serverStatus()->link();
    for (auto _ : state) {
        state.PauseTiming();
        proxy->refuse(true);
        proxy->cut();
        for (int change = 0; change < 10; ++change) {
            Clock::setNow(QDateTime::currentDateTime().addSecs(60 * change));
            if (change % 2 == 0)
                main->DoStartMonitoring();
            else
                main->DoStopMonitoring();
        }
        processUntil([&] { return link.isAway(); });
        if (link.waitingCount() != 10)
            state.SkipWithError("the changes were not all kept");
        Clock::reset();
        state.ResumeTiming();
        proxy->refuse(false);
        processUntil([&] { return link.waitingCount() == 0; });
    }
}
BENCHMARK(JournalEmptyAfterReturn)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

class ServerMain : public IMainModule
{
public:
    explicit ServerMain(DbConnection& connection)
        : m_connection(connection)
    {
        setDmMain(this);
    }
    ~ServerMain() override { setDmMain(nullptr); }
    DbConnection* AdoConn() const override { return &m_connection; }
    TqvProjectMonitor* ProjectMonitor() const override { return nullptr; }
    int DatabaseKind() const override { return Dialect::PostgreSql; }

private:
    DbConnection& m_connection;
};

// The report window: developer 1, the newest month of the sample data.
void ReportSearch(benchmark::State& state)
{
    DbConnection connection;
    server(largeServerDatabase()).open(connection);
    ServerMain main(connection);
    QTemporaryDir folder;
    AppPaths::setApplicationFolderForTests(folder.path());
    GetOptionsManager()->setOptionsFileName(QDir(folder.path()).filePath("options.ini"));
    auto module = TCustomModule::Create<TdmReports, TFrmReports>();
    module->DatabaseKind = Dialect::PostgreSql;
    const QDate from(2026, 11, 1);
    const QDate to = from.addMonths(1).addDays(-1);
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
    module.reset();
    AppPaths::setApplicationFolderForTests(QString());
}
BENCHMARK(ReportSearch)->Unit(benchmark::kMillisecond);

// 20 clients, each with its own connection and developer, 50 Start/Stop
// rounds each at the same time. Afterwards every round must be there once
// and closed: lost, duplicated and left_open are counted, not assumed.
void ConcurrentClients(benchmark::State& state)
{
    constexpr int clients = 20;
    constexpr int rounds = 50;
    // 1: each client its own login, under row security.
    const bool ownLogins = state.range(0) == 1;
    const QString name = QStringLiteral("hw_bench_clients");
    double lost = 0, duplicated = 0, leftOpen = 0, failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!qEnvironmentVariableIsEmpty("HW_TEST_PG_DIR")) {
            // The logins of an earlier run go with their database.
            DbConnection admin;
            TestDatabase::adminSettings(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(admin);
            admin.exec(QStringLiteral("drop database if exists %1 with (force)").arg(name));
            QSqlQuery roles = admin.exec(QStringLiteral("select rolname from pg_roles where starts_with(rolname, ?)"),
                                         {name + QLatin1Char('_')});
            QStringList old;
            while (roles.next())
                old << TeamServer::identifier(roles.value(0).toString());
            roles.finish();
            if (!old.isEmpty())
                admin.exec(QStringLiteral("drop role ") + old.join(QLatin1Char(',')));
        }
        makeDatabase(name, true);
        {
            DbConnection setup;
            server(name).open(setup);
            for (int c = 1; c <= clients; ++c)
                setup.exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values (?,?)"),
                           {QStringLiteral("Client"), QString::number(c)});
        }
        if (ownLogins) {
            DbConnection admin;
            TestDatabase::adminSettings(name).open(admin);
            TeamServer::upgrade(admin);
            for (int c = 1; c <= clients; ++c)
                ServerLogins::addUser(admin, QStringLiteral("%1_client%2").arg(name).arg(c), PersonalPassword, false, c);
        }
        std::atomic<int> errors{0};
        std::vector<QThread*> threads;
        for (int c = 1; c <= clients; ++c) {
            threads.push_back(QThread::create([c, &name, &errors, ownLogins] {
                try {
                    DbConnection connection;
                    ConnectionSettings settings = server(name);
                    if (ownLogins)
                        settings = settings.withLogin(QStringLiteral("%1_client%2").arg(name).arg(c), PersonalPassword);
                    settings.open(connection);
                    TqvProjectMonitor monitor;
                    monitor.setAdoConnection(&connection);
                    monitor.DeveloperID = c;
                    monitor.ProjectID = 1;
                    for (int r = 0; r < rounds; ++r) {
                        // Each round names itself, so a lost or doubled one shows.
                        monitor.Comments = QStringLiteral("%1/%2").arg(c).arg(r);
                        monitor.StartMonitoring(WorkSource::Window);
                        monitor.StopMonitoring(WorkSource::Window);
                    }
                } catch (const std::exception& error) {
                    std::fprintf(stderr, "client %d: %s\n", c, error.what());
                    ++errors;
                }
            }));
        }
        state.ResumeTiming();
        for (QThread* thread : threads)
            thread->start();
        for (QThread* thread : threads) {
            thread->wait();
            delete thread;
        }
        state.PauseTiming();
        DbConnection check;
        (ownLogins ? TestDatabase::adminSettings(name) : server(name)).open(check);
        auto number = [&](const QString& sql) {
            QSqlQuery query = check.exec(sql);
            return query.next() ? query.value(0).toDouble() : -1.0;
        };
        const double distinct = number(QStringLiteral(
            "select count(*) from (select distinct COMMENTS from PROJECTWORK) as ROUNDS"));
        lost += clients * rounds - distinct;
        duplicated += number(QStringLiteral("select count(*) from PROJECTWORK")) - distinct;
        leftOpen += number(QStringLiteral("select count(*) from PROJECTWORK where COMPLETED = 0 or TIME_END is null"));
        failed += errors;
        state.ResumeTiming();
    }
    state.counters["rounds_per_s"] =
        benchmark::Counter(double(clients * rounds) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["lost"] = lost;
    state.counters["duplicated"] = duplicated;
    state.counters["left_open"] = leftOpen;
    state.counters["client_errors"] = failed;
    if (lost != 0 || duplicated != 0 || leftOpen != 0 || failed != 0)
        state.SkipWithError("intervals were lost, duplicated or left open, or a client failed");
}
BENCHMARK(ConcurrentClients)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("HW_TEST_PG_SERVER")) {
        std::fprintf(stderr, "bench_Server: no PostgreSQL server named (HW_TEST_PG_SERVER); scripts/bench.sh starts one\n");
        return 0;
    }
    return runWidgetBenchmarks(argc, argv);
}
