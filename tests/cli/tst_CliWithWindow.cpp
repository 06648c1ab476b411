#include "app/mm_main.h"
#include "cli/CommandLine.h"
#include "components/TrayIcon.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
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

    Result cli(MainWindowFixture& fixture, QStringList args)
    {
        Result result;
        QString in;
        QTextStream inStream(&in), outStream(&result.out), errStream(&result.err);
        CommandLine commandLine(inStream, outStream, errStream);
        QProcessEnvironment environment;
        environment.insert(CommandLine::passwordVariable(), "pw");
        commandLine.setEnvironment(environment);
        args << "--user" << "chidi" << "--options" << fixture.optionsPath();
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
};

QTEST_MAIN(TestCliWithWindow)
#include "tst_CliWithWindow.moc"
