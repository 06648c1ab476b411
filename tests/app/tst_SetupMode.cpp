#include "app/o_Application.h"
#include "app/o_StartUp.h"
#include "components/o_OptionsManager.h"
#include "framework/mc_CustomModule.h"
#include "components/o_Schema.h"
#include "modules/f_Settings.h"
#include "toolkit/DbConnection.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MessageService.h"
#include "toolkit/ProfileFile.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray kUnreachableServer = "[ConnectionSettings]\r\nServerName=127.0.0.1,1\r\nDataBaseName=hours\r\n"
                                      "UserName=OM9Z\r\nPassword=OM9Z\r\nDatabaseType=1\r\n";
const QByteArray kMissingFile = "[ConnectionSettings]\r\nDatabaseType=0\r\n"
                                "[ExportSettings]\r\nDataBasePath=DataBase\\hwr.db\r\n";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TFrmSettings* shownSettingsForm()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<TFrmSettings*>(widget);
        if (form && form->isVisible())
            return form;
    }
    return nullptr;
}

} // namespace

// Set-up mode: the settings window alone, no database. The process runs are
// the program as built; the in-process runs drive the same start-up with the
// application object this test was started with ("-setup").
class TestSetupMode : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        bool finished = false;
        QString err;
    };

    static Run runProgram(const QString& folder, const QStringList& args)
    {
        const QString built = qEnvironmentVariable("HW_TEST_BINARY_DIR") + "/hourwright";
        const QString program = folder + "/hourwright";
        Run run;
        if (!QFile::exists(program) && !QFile::copy(built, program))
            return run;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HW_MESSAGE_AUTO_ANSWER", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HW_QUIT_AFTER_MS", "1500");
        process.setProcessEnvironment(env);
        process.start(program, args);
        run.finished = process.waitForFinished(30000);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitCode();
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

private slots:
    void init()
    {
        MessageService::resetForTests();
    }
    void cleanup()
    {
        AppPaths::setApplicationFolderForTests(QString());
    }

    void setupShowsOnlyTheSettingsWindow_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QString>("switchText");
        QTest::newRow("unreachable SQL Server, capitals") << kUnreachableServer << "-SETUP";
        QTest::newRow("missing database file, mixed case") << kMissingFile << "-SetUp";
        QTest::newRow("no options file") << QByteArray() << "-setup";
        QTest::newRow("unknown kind") << QByteArray("[ConnectionSettings]\r\nDatabaseType=7\r\n") << "-setup";
        QTest::newRow("numbers that are words")
            << QByteArray("[ConnectionSettings]\r\nDatabaseType=abc\r\n[ProjectsSection]\r\nIdleMinutes=ten\r\n")
            << "-setup";
    }
    void setupShowsOnlyTheSettingsWindow()
    {
        QFETCH(QByteArray, options);
        QFETCH(QString, switchText);
        QTemporaryDir dir;
        const QString ini = dir.filePath("options.ini");
        if (!options.isEmpty())
            QVERIFY(writeFile(ini, options));

        const Run run = runProgram(dir.path(), {switchText});
        QVERIFY2(run.finished, qPrintable(run.err));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(!run.err.contains("Application Error"), qPrintable(run.err));
        QVERIFY2(!run.err.contains("message box"), qPrintable(run.err));
        const QStringList shown = run.err.split('\n').filter("window shown:");
        QCOMPARE(shown, QStringList{"hourwright: window shown: Hourwright - Settings"});
        // Nothing was opened, created or written.
        QCOMPARE(readAll(ini), options);
        QCOMPARE(QFile::exists(ini), !options.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("DataBase/hwr.db")));
        QVERIFY(!QFile::exists(dir.filePath("DataBase")));
    }

    void sameOptionsWithoutTheSwitchFailAtStart_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unreachable SQL Server") << kUnreachableServer << QStringList{};
        QTest::newRow("missing database file") << kMissingFile << QStringList{};
        QTest::newRow("switch without hyphen") << kMissingFile << QStringList{"setup"};
        QTest::newRow("switch as second argument") << kMissingFile << QStringList{"x", "-setup"};
    }
    void sameOptionsWithoutTheSwitchFailAtStart()
    {
        // The options of the rows above really are unusable, so the set-up
        // runs prove that no connection was tried.
        QFETCH(QByteArray, options);
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("options.ini"), options));
        const Run run = runProgram(dir.path(), args);
        QVERIFY2(run.finished, qPrintable(run.err));
        QVERIFY2(run.exitCode != 0, qPrintable(run.err));
        QVERIFY2(run.err.contains("message box [Application Error]"), qPrintable(run.err));
        QVERIFY(run.err.split('\n').filter("window shown:").isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("DataBase/hwr.db")));
    }

    // With a usable database the program waits at the sign-in; a scripted
    // quit still ends it although the main window only hides when closed.
    void startsAtTheSignInAndEnds()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("DataBase"));
        {
            DbConnection connection;
            connection.createSqlite(dir.filePath("DataBase/hwr.db"));
            Schema::createSqlite(connection);
            connection.exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (0,1,'admin','pw')");
        }
        QVERIFY(writeFile(dir.filePath("options.ini"), kMissingFile));
        const Run run = runProgram(dir.path(), {});
        QVERIFY2(run.finished, qPrintable(run.err));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.err.split('\n').filter("window shown:").contains("hourwright: window shown: User Validation"),
                 qPrintable(run.err));
    }

    void closingTheWindowEndsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("written");
        QTest::newRow("Ok") << "btnOk" << true;
        QTest::newRow("Cancel") << "btnCancel" << false;
        QTest::newRow("close box") << "close" << false;
    }
    void closingTheWindowEndsTheProgram()
    {
        QFETCH(QString, how);
        QFETCH(bool, written);
        QTemporaryDir dir;
        AppPaths::setApplicationFolderForTests(dir.path());
        const QString ini = dir.filePath("options.ini");
        QVERIFY(writeFile(ini, kUnreachableServer));

        bool sawForm = false;
        bool stillOpen = false;
        QObject scope; // no timer of this row outlives it
        QTimer::singleShot(0, &scope, [&] {
            TFrmSettings* form = shownSettingsForm();
            sawForm = form != nullptr;
            if (!form) {
                qApp->exit(99);
                return;
            }
            form->findChild<QLineEdit*>("edtServerName")->setText("new-host");
            if (how == "close")
                form->close();
            else
                form->findChild<QPushButton*>(how)->click();
            // Ends the loop only if closing the window did not.
            QTimer::singleShot(2000, &scope, [&] {
                stillOpen = true;
                qApp->exit(98);
            });
        });
        auto* app = static_cast<HourwrightApplication*>(qApp);
        const int code = StartUp::run(*app);
        QVERIFY(sawForm);
        QVERIFY(!stillOpen);
        QCOMPARE(code, 0);
        QVERIFY(!shownSettingsForm());
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Hourwright"));
        QCOMPARE(GetOptionsManager()->OptionsFileName(), dir.filePath("options.ini"));
        QVERIFY(MessageService::shownForTests().isEmpty());
        const QString server = ProfileFile(ini).readString("ConnectionSettings", "ServerName");
        QCOMPARE(server, written ? QStringLiteral("new-host") : QStringLiteral("127.0.0.1,1"));
        if (!written)
            QCOMPARE(readAll(ini), kUnreachableServer);
    }
};

int main(int argc, char* argv[])
{
    // The application object sees the switch; the test runner gets the real arguments.
    char program[] = "hourwright";
    char setupSwitch[] = "-setup";
    char* appArgv[] = {program, setupSwitch, nullptr};
    int appArgc = 2;
    HourwrightApplication app(appArgc, appArgv);
    TestSetupMode test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_SetupMode.moc"
