#include "app/mm_main.h"
#include "cli/CommandLine.h"
#include "cli/WeekCommand.h"
#include "components/o_WeekModel.h"
#include "components/TrayIcon.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Week.h"
#include "modules/mc_Week.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "support/TestMain.h"
#include "support/TestTimes.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QToolButton>
#include <QtTest>

// The command line and a running main window on the same database file,
// each with its own connection, as two programs would be.
class TestCliWithWindow : public QObject
{
    Q_OBJECT

    struct Result
    {
        int code = -1;
        QString out;
        QString err;
    };

    Result cli(MainWindowFixture& fixture, QStringList args, const QString& user = QStringLiteral("chidi"),
               const QString& password = QStringLiteral("pw"))
    {
        Result result;
        QString in;
        QTextStream inStream(&in), outStream(&result.out), errStream(&result.err);
        CommandLine commandLine(inStream, outStream, errStream);
        QProcessEnvironment environment;
        environment.insert(CommandLine::passwordVariable(), password);
        commandLine.setEnvironment(environment);
        args << "--user" << user << "--options" << fixture.optionsPath();
        result.code = commandLine.run(args);
        return result;
    }

    TdmMain::Ptr<TdmMain> signedInWindow()
    {
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        return main;
    }

    bool enabled(TdmMain& main, const char* name)
    {
        return main.Lookup(QString::fromLatin1(name))->AsToolButton()->isEnabled();
    }
    void click(TdmMain& main, const char* name) { main.Lookup(QString::fromLatin1(name))->AsToolButton()->click(); }

private slots:
    void init() { MainWindowFixture::beforeWindowTest(); }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void cliStopWhileTheWindowMonitors()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        auto main = signedInWindow();
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        click(*main, "btnStartMonitoring");
        QVERIFY(main->ProjectMonitor()->Monitoring());

        Clock::setNow(at("2026-05-11 09:30:00"));
        const Result stopped = cli(fixture, {"stop"});
        QCOMPARE(stopped.code, 0);
        QVERIFY2(stopped.out.startsWith("Stopped interval 1 on Portal"), qPrintable(stopped.out));

        Clock::setNow(at("2026-05-11 09:40:00"));
        const int boxesBefore = int(MessageService::shownForTests().size());
        click(*main, "btnStopMonitoring");
        QCOMPARE(MessageService::shownForTests().size(), boxesBefore + 1);
        QCOMPARE(MessageService::shownForTests().last().text,
                 QStringLiteral("The interval 1 was already stopped elsewhere."));
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStartMonitoring"));
        QVERIFY(!enabled(*main, "btnStopMonitoring"));

        // One close, the command line's, and the window shows it.
        QCOMPARE(fixture.db().count("PROJECTWORK"), 1);
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK").toString(),
                 QStringLiteral("2026-05-11 09:30:00.000"));
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 0.5);
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
        QCOMPARE(main->ProjectWorkData()->value("COMPLETED").toInt(), 1);
    }

    void windowStopsFirstThenTheCliFindsNothing()
    {
        MainWindowFixture fixture;
        auto main = signedInWindow();
        click(*main, "btnStartMonitoring");
        click(*main, "btnStopMonitoring");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        const Result stopped = cli(fixture, {"stop"});
        QCOMPARE(stopped.code, 1);
        QVERIFY(stopped.err.contains("No interval is open for Okafor Chidi."));
        QCOMPARE(fixture.db().scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
    }

    void cliStartShowsAtTheWindowsNextRefresh()
    {
        MainWindowFixture fixture;
        auto main = signedInWindow();
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory"));
        QCOMPARE(cli(fixture, {"start", "--project", "Inventory"}).code, 0);
        QCOMPARE(main->ProjectWorkData()->recordCount(), 0);
        main->RefreshData();
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
        QCOMPARE(main->ProjectWorkData()->value("COMPLETED").toInt(), 0);
    }

    // Two people on one database, each with a program of their own: the
    // window's user and another user at the command line track time side by
    // side, and neither Start nor Stop touches the other's interval.
    void twoUsersTrackSideBySide()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        auto main = signedInWindow();
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        click(*main, "btnStartMonitoring");
        QVERIFY(main->ProjectMonitor()->Monitoring());

        Clock::setNow(at("2026-05-11 09:10:00"));
        Result result = cli(fixture, {"start", "--project", "Billing"}, "admin", "secret");
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out, QStringLiteral("Started interval 2 on Billing for Berg Anna at 2026-05-11 09:10:00.\n"));
        result = cli(fixture, {"status"}, "admin", "secret");
        QCOMPARE(result.out, QStringLiteral("Interval 1 is open for Okafor Chidi (developer 2) on Portal since "
                                            "2026-05-11 09:00:00, elapsed 00:10:00\n"
                                            "Interval 2 is open for Berg Anna (developer 1) on Billing since "
                                            "2026-05-11 09:10:00, elapsed 00:00:00\n"));
        QCOMPARE(main->ProjectMonitor()->CurrentWorkID(), 1);

        Clock::setNow(at("2026-05-11 09:30:00"));
        const int boxesBefore = int(MessageService::shownForTests().size());
        click(*main, "btnStopMonitoring");
        QCOMPARE(MessageService::shownForTests().size(), boxesBefore);
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QCOMPARE(fixture.db().scalar("select COMPLETED from PROJECTWORK where ID = 2").toInt(), 0);

        Clock::setNow(at("2026-05-11 09:40:00"));
        result = cli(fixture, {"stop"}, "admin", "secret");
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out,
                 QStringLiteral("Stopped interval 2 on Billing for Berg Anna after 00:30:00 (0:30 h).\n"));
        result = cli(fixture, {"stop"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains("No interval is open for Okafor Chidi."), qPrintable(result.err));

        QStringList stored;
        QSqlQuery rows = fixture.db().connection().exec(
            "select ID, PROJECT_ID, DEVELOPER_ID, TIME_START, TIME_END, TIME_SPEND, COMPLETED from PROJECTWORK order by ID");
        while (rows.next()) {
            QStringList fields;
            for (int field = 0; field < 7; ++field)
                fields << TestDatabase::asStored(rows.value(field)).toString();
            stored << fields.join('/');
        }
        QCOMPARE(stored, (QStringList{"1/2/2/2026-05-11 09:00:00.000/2026-05-11 09:30:00.000/0.5/1",
                                      "2/1/1/2026-05-11 09:10:00.000/2026-05-11 09:40:00.000/0.5/1"}));
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
        QCOMPARE(main->ProjectWorkData()->value("TIME_SPEND").toDouble(), 0.5);
    }

    // The command line prints the grid the week window shows, cell by cell.
    void weekEqualsTheWindow_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("own week") << "chidi" << QStringList{"--week", "2026-w20"} << 0;
        QTest::newRow("this week") << "chidi" << QStringList{} << 0;
        QTest::newRow("administrator, another's") << "admin" << QStringList{"--week", "2026-W20", "--developer", "2"}
                                                  << 0;
        QTest::newRow("developer, another's") << "chidi" << QStringList{"--developer", "1"} << 1;
        QTest::newRow("user without a developer") << "nodev" << QStringList{} << 1;
    }
    void weekEqualsTheWindow()
    {
        QFETCH(QString, user);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-15 12:00:00"));
        const char* rows[][5] = {
            // project, day start, start, end, hours
            {"2", "2026-05-11", "2026-05-11 09:00:00.000", "2026-05-11 12:30:00.000", "3.5"},
            {"3", "2026-05-12", "2026-05-12 22:00:00.000", "2026-05-13 01:15:00.000", "3.25"},
            {"2", "2026-05-17", "2026-05-17 08:00:00.000", "2026-05-17 08:20:00.000", "0.333333333333333"},
            {"2", "2026-05-04", "2026-05-04 08:00:00.000", "2026-05-04 09:00:00.000", "1"},
        };
        for (const auto& row : rows)
            fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,DAY_START,TIME_START,TIME_END,"
                              "TIME_SPEND,COMPLETED,HAND_ENTRY) values (?,2,?,?,?,?,1,1)",
                              {row[0], row[1], row[2], row[3], QString(row[4]).toDouble()});
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,DAY_START,TIME_START,COMPLETED) "
                          "values (3,2,'2026-05-15','2026-05-15 08:00:00.000',0)");
        const Result result = cli(fixture, QStringList{"week"} + args, user, user == "admin" ? "secret" : "pw");
        QCOMPARE(result.code, code);
        if (code != 0) {
            QVERIFY2(result.err.contains(user == "nodev" ? "has no developer" : "Only an administrator"),
                     qPrintable(result.err));
            return;
        }
        TestMain main(fixture.db(), TestDatabase::kind());
        auto window = TCustomModule::Create<TdmWeek, TFrmWeek>();
        window->User = {2, false};
        window->Execute(false);
        TWeekModel* model = window->Model();
        const QList<QStringList> text = window->Sheet().text();
        QCOMPARE(model->rowCount() + 1, text.size());
        for (int row = 0; row < text.size(); ++row)
            for (int column = 0; column < TWeekModel::Columns; ++column)
                QCOMPARE(row == 0 ? model->headerData(column, Qt::Horizontal).toString()
                                  : model->index(row - 1, column).data().toString(),
                         text[row][column]);
        QString shown;
        QTextStream stream(&shown);
        WeekCommand::write(stream, window->Sheet(), "Okafor Chidi (developer 2)");
        QCOMPARE(result.out, shown);
        // Across midnight on its first day; the running interval marks its cell and adds nothing.
        QCOMPARE(result.out,
                 "Week 2026-W20, Mon 11 May to Sun 17 May 2026, Okafor Chidi (developer 2)\n"
                 "Project    Mon 11  Tue 12  Wed 13  Thu 14  Fri 15  Sat 16  Sun 17  Total\n"
                 "---------  ------  ------  ------  ------  ------  ------  ------  -----\n"
                 "Inventory            3:15                   0:00*                   3:15\n"
                 "Portal       3:30                                            0:20   3:50\n"
                 "Total        3:30    3:15    0:00    0:00    0:00    0:00    0:20   7:05\n"
                 "* An interval is still running there; its time counts once it is stopped.\n");
    }
};

QTEST_MAIN(TestCliWithWindow)
#include "tst_CliWithWindow.moc"
