#include "app/mm_main.h"
#include "components/TrayIcon.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QProcess>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

// The built hourwright-cli, run as its own process.
class TestCliProcess : public QObject
{
    Q_OBJECT

    struct Result
    {
        int code = -1;
        QString out;
        QString err;
    };

    static QString program()
    {
        return qEnvironmentVariable("HW_TEST_BINARY_DIR", QStringLiteral(".")) + QStringLiteral("/hourwright-cli");
    }

    // Runs in a session of its own, so it has no terminal to ask on even
    // when the tests are started from one.
    Result run(const QStringList& args, const QString& password = QString(), const QByteArray& input = QByteArray())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("HOURWRIGHT_PASSWORD"));
        if (!password.isNull())
            environment.insert(QStringLiteral("HOURWRIGHT_PASSWORD"), password);
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([] { ::setsid(); });
        process.start(program(), args);
        Result result;
        if (!process.waitForStarted(10000)) {
            result.err = process.errorString();
            return result;
        }
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QStringList signedIn(MainWindowFixture& fixture, QStringList args)
    {
        return args << "--user" << "chidi" << "--options" << fixture.optionsPath();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program() + " is not built"));
    }
    void init() { MainWindowFixture::beforeWindowTest(); }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // %o stands for the options file
        QTest::addColumn<QString>("password"); // "-" for none
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("help") << QStringList{"--help"} << "-" << 0 << "";
        QTest::newRow("status") << QStringList{"status", "--user", "chidi", "--options", "%o"} << "pw" << 0 << "";
        QTest::newRow("no arguments") << QStringList{} << "-" << 2 << "usage:";
        QTest::newRow("bad date") << QStringList{"report", "--user", "chidi", "--from", "May", "--to", "June"} << "pw"
                                  << 2 << "yyyy-MM-dd";
        QTest::newRow("no password and no terminal") << QStringList{"status", "--user", "chidi", "--options", "%o"}
                                                     << "-" << 2 << "no terminal";
        QTest::newRow("wrong password") << QStringList{"status", "--user", "chidi", "--options", "%o"} << "PW" << 3
                                        << "sign-in refused";
        QTest::newRow("nothing to stop") << QStringList{"stop", "--user", "chidi", "--options", "%o"} << "pw" << 1
                                         << "No interval is open";
        QTest::newRow("options file missing") << QStringList{"status", "--user", "chidi", "--options", "%o.gone"}
                                              << "pw" << 1 << "does not exist";
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, password);
        QFETCH(int, code);
        QFETCH(QString, message);
        MainWindowFixture fixture;
        for (QString& arg : args)
            arg.replace("%o", fixture.optionsPath());
        const Result result = run(args, password == "-" ? QString() : password);
        QCOMPARE(result.code, code);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    void startStatusStopReport()
    {
        MainWindowFixture fixture;
        Result result = run(signedIn(fixture, {"start", "--project", "Portal"}), "pw");
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.startsWith("Started interval 1 on Portal for Okafor Chidi at "), qPrintable(result.out));

        result = run(signedIn(fixture, {"status", "--password-stdin"}), QString(), "pw\n");
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.startsWith("Interval 1 is open for Okafor Chidi (developer 2) on Portal since "),
                 qPrintable(result.out));

        result = run(signedIn(fixture, {"stop"}), "pw");
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith("Stopped interval 1 on Portal for Okafor Chidi after 00:00:"));
        QCOMPARE(fixture.db().scalar("select COMPLETED from PROJECTWORK").toInt(), 1);

        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        result = run(signedIn(fixture, {"report", "--from", today, "--to", today, "--csv"}), "pw");
        QCOMPARE(result.code, 0);
        const QStringList lines = result.out.split("\r\n");
        QCOMPARE(lines.size(), 3); // header, the interval, and the empty rest after the last CRLF
        QVERIFY(lines.at(1).startsWith(QStringLiteral("Portal,Okafor,%1,").arg(today)));
    }

    // Two programs on one file: the window monitors, the command line stops
    // the same interval; the window's own Stop then reports it closed.
    void stopFromAnotherProcessWhileTheWindowMonitors()
    {
        MainWindowFixture fixture;
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory"));
        main->Lookup("btnStartMonitoring")->AsToolButton()->click();
        QVERIFY(main->ProjectMonitor()->Monitoring());

        Result result = run(signedIn(fixture, {"start", "--project", "Portal"}), "pw");
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains("already open"), qPrintable(result.err));

        result = run(signedIn(fixture, {"stop"}), "pw");
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.startsWith("Stopped interval 1 on Inventory"), qPrintable(result.out));
        const QString closedAt = fixture.db().scalar("select TIME_END from PROJECTWORK").toString();

        main->Lookup("btnStopMonitoring")->AsToolButton()->click();
        QCOMPARE(MessageService::shownForTests().last().text,
                 QStringLiteral("The interval 1 was already stopped elsewhere."));
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(main->Lookup("btnStartMonitoring")->AsToolButton()->isEnabled());
        QCOMPARE(fixture.db().count("PROJECTWORK"), 1);
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK").toString(), closedAt);
    }
};

QTEST_MAIN(TestCliProcess)
#include "tst_CliProcess.moc"
