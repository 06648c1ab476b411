#include "app/o_Application.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs a copy of the built program in a folder of its own, so that the
// options.ini beside it is the test's.
class TestStartUp : public QObject
{
    Q_OBJECT

    QString programCopy(const QTemporaryDir& dir)
    {
        const QString built = qEnvironmentVariable("HW_TEST_BINARY_DIR") + "/hourwright";
        const QString copy = dir.filePath("hourwright");
        if (!QFile::copy(built, copy))
            return QString();
        return copy;
    }

    int runProgram(const QString& program, const QStringList& args, QString* err)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HW_MESSAGE_AUTO_ANSWER", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(program, args);
        if (!process.waitForFinished(30000)) {
            process.kill();
            return -1000;
        }
        *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void setupModeSelection_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("setup");
        QTest::newRow("none") << QStringList{"hw"} << false;
        QTest::newRow("lower") << QStringList{"hw", "-setup"} << true;
        QTest::newRow("upper") << QStringList{"hw", "-SETUP"} << true;
        QTest::newRow("mixed") << QStringList{"hw", "-SetUp"} << true;
        QTest::newRow("no hyphen") << QStringList{"hw", "setup"} << false;
        QTest::newRow("slash") << QStringList{"hw", "/setup"} << false;
        QTest::newRow("second argument ignored") << QStringList{"hw", "x", "-setup"} << false;
        QTest::newRow("extra after switch") << QStringList{"hw", "-setup", "more"} << true;
    }
    void setupModeSelection()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, setup);
        QCOMPARE(HourwrightApplication::isSetupMode(args), setup);
    }

    void badStartsShowApplicationErrorAndExitNonZero_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QString>("expected");
        QTest::newRow("options without a kind") << QByteArray("[ExportSettings]\r\nExcelPath=x.xlsx\r\n")
                                                << "hourwright -setup";
        QTest::newRow("kind 3") << QByteArray("[ConnectionSettings]\r\nDatabaseType=3\r\n") << "hourwright -setup";
        QTest::newRow("server refuses")
            << QByteArray("[ConnectionSettings]\r\nDatabaseType=2\r\nServerName=127.0.0.1:1\r\nDataBaseName=hours\r\n"
                          "UserName=Q7S\r\n")
            << "Connection refused";
        QTest::newRow("kind not a number") << QByteArray("[ConnectionSettings]\r\nDatabaseType=Access\r\n")
                                           << "not a valid integer";
        QTest::newRow("missing database file")
            << QByteArray("[ConnectionSettings]\r\nDatabaseType=0\r\n[ExportSettings]\r\nDataBasePath=DataBase\\hwr.db\r\n")
            << "DataBase/hwr.db does not exist";
    }
    void badStartsShowApplicationErrorAndExitNonZero()
    {
        QFETCH(QByteArray, options);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString program = programCopy(dir);
        QVERIFY(!program.isEmpty());
        if (!options.isEmpty()) {
            QFile file(dir.filePath("options.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(options);
        }
        QString err;
        const int code = runProgram(program, {}, &err);
        QVERIFY2(code != 0 && code != -1000, qPrintable(err));
        QVERIFY2(err.contains("message box [Application Error]"), qPrintable(err));
        QVERIFY2(err.contains(expected), qPrintable(err));
        QVERIFY(!QFile::exists(dir.filePath("DataBase/hwr.db")));
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_StartUp.moc"
