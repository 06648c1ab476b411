#include "app/mm_main.h"
#include "app/o_ServerStatus.h"
#include "cli/CommandLine.h"
#include "components/TrayIcon.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_ServerLink.h"
#include "framework/o_ComponentCaster.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "support/TcpProxy.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <thread>

// A server that goes away under the program: stopped, its sessions ended,
// its link paused or cut. The tests run on a private server of their own
// (which they stop and start), often behind the test support's proxy.
class TestServerOutage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_serverDir;
    bool m_serverDown = false;
    QString m_cliErrors;
    QString m_cliOut;

    QString server(const QString& command)
    {
        m_serverDown = command == QLatin1String("down");
        QProcess script;
        script.start("bash", {HW_TEST_SUPPORT_DIR "/pg-test-server.sh", command, m_serverDir.path()});
        if (!script.waitForFinished(120000) || script.exitCode() != 0)
            qFatal("pg-test-server.sh %s failed: %s", qPrintable(command), script.readAllStandardError().constData());
        return QString::fromUtf8(script.readAllStandardOutput());
    }

    int cli(MainWindowFixture& fixture, QStringList args, const QString& user, const QString& password)
    {
        QString in, out, err;
        QTextStream inStream(&in), outStream(&out), errStream(&err);
        CommandLine commandLine(inStream, outStream, errStream);
        QProcessEnvironment environment;
        environment.insert(CommandLine::passwordVariable(), password);
        commandLine.setEnvironment(environment);
        args << "--user" << user << "--options" << fixture.optionsPath();
        const int code = commandLine.run(args);
        m_cliErrors = err;
        m_cliOut = out;
        return code;
    }

    // Chidi's window (developer 2) on the fixture's database, reached at address.
    TdmMain::Ptr<TdmMain> window(const QString& address = QString())
    {
        if (!address.isEmpty())
            GetOptionsManager()->WriteValue(Options::ConnectionSection, Options::ServerName, address);
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        return main;
    }
    static void click(TdmMain& main, const char* name) { main.Lookup(name)->AsToolButton()->click(); }
    static TServerLink& link(TdmMain& main) { return *main.serverStatus()->link(); }
    static QString shownState(TdmMain& main) { return main.Lookup("lblServerState")->AsLabel()->text(); }

private slots:
    // The folder of the private server, for a later run to stop it should
    // this one end abruptly.
    static QString leftOver() { return QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath("private-server"); }

    void initTestCase()
    {
        QFile previous(leftOver());
        if (previous.open(QIODevice::ReadOnly))
            QProcess::execute("bash", {HW_TEST_SUPPORT_DIR "/pg-test-server.sh", "stop", QString::fromUtf8(previous.readAll())});
        previous.close();
        QFile marker(leftOver());
        QVERIFY(marker.open(QIODevice::WriteOnly | QIODevice::Truncate));
        marker.write(m_serverDir.path().toUtf8());
        marker.close();
        // Every database of these tests lives on the private server.
        for (const QString& line : server("start").split('\n', Qt::SkipEmptyParts)) {
            const QString assignment = line.section(' ', 1);
            qputenv(assignment.section('=', 0, 0).toLatin1(), assignment.section('=', 1).toUtf8());
        }
    }
    void cleanupTestCase()
    {
        server("stop");
        QFile::remove(leftOver());
    }
    void init()
    {
        MainWindowFixture::beforeWindowTest();
        TServerLink::setPatienceForTests(0);
    }
    void cleanup()
    {
        MainWindowFixture::afterWindowTest();
        if (m_serverDown)
            server("up");
    }

    // The server stopped and started between Start and Stop: the Stop is
    // kept, said so, shown as waiting, and the row ends when it was pressed.
    void stopAcrossARestartEndsWhenPressed()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 17:00:00"));
        auto main = window();
        click(*main, "btnStartMonitoring");
        QTRY_COMPARE(link(*main).waitingCount(), 0);
        server("down");
        Clock::setNow(at("2026-05-11 17:18:51"));
        click(*main, "btnStopMonitoring");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QCOMPARE(shownState(*main), QStringLiteral("Offline: 1 change waiting"));
        QVERIFY(main->MainTrayIcon()->tip().endsWith("\nOffline: 1 change waiting"));
        QVERIFY(MessageService::shownForTests().last().text.startsWith(
            "The server cannot be reached. Your Stop at 17:18 is kept and will be written when it is back."));
        server("up");
        QTRY_COMPARE_WITH_TIMEOUT(link(*main).waitingCount(), 0, 20000);
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK").toString(), "2026-05-11 17:18:51.000");
        QTRY_COMPARE(shownState(*main), QString());
        // The window goes on without a restart.
        click(*main, "btnStartMonitoring");
        QTRY_COMPARE(fixture.db().scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
    }

    // The command line with the server down: a stop is kept, said so with
    // its own exit code, and written by the next command once it is back.
    void cliKeepsAStopWhileTheServerIsDown()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        QCOMPARE(cli(fixture, {"start", "--project", "Portal"}, "chidi", "pw"), int(CommandLine::Ok));
        server("down");
        Clock::setNow(at("2026-05-11 10:41:00"));
        QCOMPARE(cli(fixture, {"stop", "--comment", "offline"}, "chidi", "pw"), int(CommandLine::Kept));
        QVERIFY2(m_cliOut.startsWith("The server cannot be reached. Your Stop at 10:41 is kept"), qPrintable(m_cliOut));
        server("up");
        Clock::setNow(at("2026-05-11 11:00:00"));
        QCOMPARE(cli(fixture, {"status"}, "chidi", "pw"), int(CommandLine::Ok));
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK").toString(), "2026-05-11 10:41:00.000");
        QCOMPARE(fixture.db().scalar("select COMMENTS from PROJECTWORK").toString(), "offline");
    }

    // The sessions of the window ended on the server: the next Stop and the
    // reads after it succeed without a word to the user.
    void endedSessionIsOpenedAgain()
    {
        MainWindowFixture fixture;
        auto main = window();
        click(*main, "btnStartMonitoring");
        fixture.db().exec("select pg_terminate_backend(pid) from pg_stat_activity where datname = current_database()"
                          " and pid <> pg_backend_pid()");
        const qsizetype boxes = MessageService::shownForTests().size();
        click(*main, "btnStopMonitoring");
        QTRY_COMPARE(link(*main).waitingCount(), 0);
        QCOMPARE(fixture.db().scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
        main->RefreshData();
        QCOMPARE(MessageService::shownForTests().size(), boxes);
        QCOMPARE(main->ProjectWorkData()->value("COMPLETED").toInt(), 1);
    }

    // A client stalled in a write transaction of developer 1 holds nobody
    // else; the same developer's Start waits a few seconds at most and is
    // kept, then written by the next command.
    void stalledWriterHoldsOnlyItsDeveloper_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::newRow("another developer") << "chidi" << "pw" << int(CommandLine::Ok);
        QTest::newRow("the same developer") << "admin" << "secret" << int(CommandLine::Kept);
    }
    void stalledWriterHoldsOnlyItsDeveloper()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, code);
        MainWindowFixture fixture;
        auto stalled = fixture.db().openAnother();
        stalled->beginTransaction(1);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(cli(fixture, {"start", "--project", "Portal"}, user, password), code);
        QVERIFY2(waited.elapsed() < 5000, qPrintable(QString::number(waited.elapsed())));
        stalled->rollback();
        QCOMPARE(cli(fixture, {"status"}, user, password), int(CommandLine::Ok));
        QCOMPARE(fixture.db().scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
    }

    // A link that stops answering without closing (a paused proxy): a call
    // gives up at its deadline, a login at its timeout, both as "away".
    void silentServerIsGivenUpOn_data()
    {
        QTest::addColumn<bool>("login");
        QTest::newRow("statement") << false;
        QTest::newRow("login") << true;
    }
    void silentServerIsGivenUpOn()
    {
        QFETCH(bool, login);
        TestDatabase db;
        TcpProxy proxy(db.settings().serverName);
        ConnectionSettings settings = db.settings();
        settings.serverName = proxy.address();
        DbConnection connection;
        settings.open(connection, 2);
        connection.setStatementDeadline(1000);
        proxy.pause();
        QElapsedTimer waited;
        waited.start();
        try {
            if (login)
                settings.open(connection, 2);
            else
                connection.exec("select 1");
            QFAIL("the server answered");
        } catch (const DatabaseUnavailable& error) {
            QVERIFY2(!error.detail().isEmpty(), qPrintable(error.message()));
        }
        QVERIFY2(waited.elapsed() < 4000, qPrintable(QString::number(waited.elapsed())));
        proxy.resume();
        QVERIFY_SQL(connection.reopen());
        QVERIFY_SQL(connection.exec("select 1"));
    }

    // With the link paused the window's loop keeps running: Stop and Start
    // return at once, the elapsed time ticks; both are written, at the
    // moments pressed, when the link is back.
    void pausedLinkKeepsTheWindowRunning()
    {
        MainWindowFixture fixture;
        TcpProxy proxy(fixture.db().settings().serverName);
        Clock::setNow(at("2026-05-11 09:00:00"));
        auto main = window(proxy.address());
        click(*main, "btnStartMonitoring");
        QTRY_COMPARE(link(*main).waitingCount(), 0);
        proxy.pause();
        QElapsedTimer pressed;
        pressed.start();
        Clock::setNow(at("2026-05-11 10:41:00"));
        click(*main, "btnStopMonitoring");
        Clock::setNow(at("2026-05-11 10:45:00"));
        click(*main, "btnStartMonitoring");
        QVERIFY2(pressed.elapsed() < 1000, qPrintable(QString::number(pressed.elapsed())));
        QVERIFY(main->ProjectMonitor()->Monitoring());
        auto* elapsed = main->Lookup("lblTimeElapsed")->AsLabel();
        Clock::setNow(at("2026-05-11 10:46:00"));
        QTRY_VERIFY(elapsed->text().endsWith("00:01:00"));
        QCOMPARE(shownState(*main), QStringLiteral("Offline: 2 changes waiting"));
        proxy.resume();
        QTRY_COMPARE_WITH_TIMEOUT(link(*main).waitingCount(), 0, 20000);
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK where ID = 1").toString(),
                 "2026-05-11 10:41:00.000");
        QCOMPARE(fixture.db().scalar("select TIME_START from PROJECTWORK where COMPLETED = 0").toString(),
                 "2026-05-11 10:45:00.000");
        QTRY_VERIFY(main->ProjectMonitor()->CurrentWorkID() == 2);
    }

    // The window and the command line start and stop, time and again, while
    // the link is cut, paused and refused at random: in the end every
    // interval pressed is there once, and closed.
    void randomCutsLoseNothing()
    {
        MainWindowFixture fixture;
        TcpProxy proxy(fixture.db().settings().serverName);
        Clock::setNow(at("2026-05-11 08:00:00"));
        auto main = window(proxy.address());
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("seed %u", seed);
        int windowStarts = 0, cliStarts = 0;
        for (int cycle = 0; cycle < 200; ++cycle) {
            Clock::setNow(Clock::now().addSecs(60));
            const int fault = random.bounded(10);
            if (fault < 3) {
                proxy.cut();
            } else if (fault == 3) {
                proxy.pause();
                std::thread([&proxy, ms = random.bounded(20, 150)] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                    proxy.resume();
                }).detach();
            }
            proxy.refuse(fault == 4);
            TqvProjectMonitor* monitor = main->ProjectMonitor();
            main->Lookup("edtComment")->as<QLineEdit>()->setText(QStringLiteral("window %1").arg(cycle));
            click(*main, monitor->Monitoring() ? "btnStopMonitoring" : "btnStartMonitoring");
            windowStarts += monitor->Monitoring() ? 1 : 0;
            if (cycle % 10 == 0) {
                const bool starting = cycle % 20 == 0;
                const int code = cli(fixture, starting ? QStringList{"start", "--project", "Billing", "--comment",
                                                                     QStringLiteral("cli %1").arg(cycle)}
                                                       : QStringList{"stop"},
                                     "admin", "secret");
                QVERIFY2(code == CommandLine::Ok || code == CommandLine::Kept, qPrintable(m_cliErrors));
                cliStarts += starting ? 1 : 0;
            }
            QCoreApplication::processEvents();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        proxy.resume();
        proxy.refuse(false);
        if (main->ProjectMonitor()->Monitoring())
            click(*main, "btnStopMonitoring");
        QVERIFY2(cli(fixture, {"status"}, "admin", "secret") == CommandLine::Ok, qPrintable(m_cliErrors));
        QTRY_COMPARE_WITH_TIMEOUT(link(*main).waitingCount(), 0, 30000);
        TestDatabase& db = fixture.db();
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where DEVELOPER_ID = 2").toInt(), windowStarts);
        QCOMPARE(db.scalar("select count(distinct COMMENTS) from PROJECTWORK where DEVELOPER_ID = 2").toInt(),
                 windowStarts);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where DEVELOPER_ID = 1").toInt(), cliStarts);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMPLETED = 0 or TIME_END is null").toInt(), 0);
        for (const MessageService::Request& box : MessageService::shownForTests())
            QVERIFY2(!box.text.contains("not written"), qPrintable(box.text));
    }
};

QTEST_MAIN(TestServerOutage)
#include "tst_ServerOutage.moc"
