#include "app/mm_main.h"
#include "app/o_Application.h"
#include "app/o_StartUp.h"
#include "components/TrayIcon.h"
#include "components/o_AppIcons.h"
#include "components/o_DatabaseBackup.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_FirstStart.h"
#include "modules/mc_FirstStart.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"
#include "toolkit/ProfileFile.h"
#include "toolkit/SqlQuery.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// Hourwright installed into a read-only staging folder and run by a person
// whose home is a temporary folder: first start, sign-in, the command line
// on the same options, a second start, and the tray and Terminate of a run.
class TestInstalled : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_stage;
    QStringList m_stageListing;
    QProcessEnvironment m_env;
    int m_terminations = 0;

    QString home(const QString& relative) const { return m_dir.filePath("home/" + relative); }
    QString installed(const QString& program) const { return m_stage + "/bin/" + program; }

    QStringList listing() const
    {
        QStringList files;
        QDirIterator it(m_stage, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            files << it.filePath() + " " + QString::number(it.fileInfo().size());
        }
        files.sort();
        return files;
    }

    struct Run
    {
        int code = -1000;
        QString out;
        QString err;
    };
    Run run(const QString& program, const QStringList& args, const QMap<QString, QString>& extra = {})
    {
        QProcess process;
        QProcessEnvironment env = m_env;
        for (auto it = extra.begin(); it != extra.end(); ++it)
            env.insert(it.key(), it.value());
        process.setProcessEnvironment(env);
        process.start(program, args);
        Run result;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.code = process.exitCode();
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    static QString text(TCustomModule& module, const char* name)
    {
        return module.Lookup(QString::fromLatin1(name))->as<QLineEdit>()->text();
    }
    static void type(TCustomModule& module, const char* name, const QString& value)
    {
        module.Lookup(QString::fromLatin1(name))->as<QLineEdit>()->setText(value);
    }
    static void press(TCustomModule& module, const char* name)
    {
        module.Lookup(QString::fromLatin1(name))->as<QPushButton>()->click();
    }
    static void fillFirstStart(TCustomModule& module)
    {
        type(module, "edtLastName", "Lindgren");
        type(module, "edtName", "Maja");
        type(module, "edtUserName", "maja");
        type(module, "edtPassword", "first-pw");
        type(module, "edtPasswordAgain", "first-pw");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stage = m_dir.filePath("stage");
        QProcess install;
        install.start(QStringLiteral(HW_CMAKE_COMMAND),
                      {"--install", qEnvironmentVariable("HW_TEST_BINARY_DIR"), "--prefix", m_stage});
        QVERIFY(install.waitForFinished(180000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        QVERIFY(QFileInfo(installed("hourwright")).isExecutable());
        QVERIFY(QProcess::execute("chmod", {"-R", "a-w", m_stage}) == 0);
        m_stageListing = listing();

        QDir().mkpath(home(".config"));
        QDir().mkpath(home(".local/share"));
        QDir().mkpath(m_dir.filePath("run"));
        QFile::setPermissions(m_dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QMap<QString, QString> vars{{"HOME", home("")},
                                          {"XDG_CONFIG_HOME", home(".config")},
                                          {"XDG_DATA_HOME", home(".local/share")},
                                          {"XDG_RUNTIME_DIR", m_dir.filePath("run")}};
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("QT_QPA_PLATFORM", "offscreen");
        m_env.insert("HW_MESSAGE_AUTO_ANSWER", "1");
        for (auto it = vars.begin(); it != vars.end(); ++it) {
            m_env.insert(it.key(), it.value());
            qputenv(it.key().toLocal8Bit(), it.value().toLocal8Bit());
        }
    }
    void cleanupTestCase()
    {
        QProcess::execute("chmod", {"-R", "u+w", m_stage});
        AppPaths::setApplicationFolderForTests(QString());
        AppPaths::setOptionsFolder(QString());
    }
    void init()
    {
        m_terminations = 0;
        MainWindowFixture::beforeWindowTest([this] { ++m_terminations; });
        MessageService::resetForTests();
        MessageService::useTestAnswers();
    }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    // Answered without a window, and without a display to open one on.
    void informationSwitchesPrintAndEnd_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help") << "--help" << "Usage: hourwright [-setup | -hidden]";
        QTest::newRow("-h") << "-h" << "-v, --version";
        QTest::newRow("--version") << "--version" << "hourwright " HW_VERSION "\n";
    }
    void informationSwitchesPrintAndEnd()
    {
        QFETCH(QString, argument);
        QFETCH(QString, printed);
        const Run result = run(installed("hourwright"), {argument}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}});
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.contains(printed), qPrintable(result.out + result.err));
        QCOMPARE(result.err, QString());
    }

    void desktopEntryOffersTheConnectionSettings()
    {
        QFile entry(m_stage + "/share/applications/org.hourwright.Hourwright.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains("\nActions=connection-settings;\n"));
        QVERIFY(text.contains("[Desktop Action connection-settings]\nName=Connection Settings\nExec=hourwright -setup\n"));
    }

    void installedProgramOpensTheFirstStartWindow()
    {
        const Run result = run(installed("hourwright"), {}, {{"HW_QUIT_AFTER_MS", "1500"}});
        QVERIFY2(result.code == 0, qPrintable(result.err));
        QVERIFY2(result.err.contains("window shown: Hourwright - First Start"), qPrintable(result.err));
        QVERIFY(!result.err.contains("Application Error"));
        QVERIFY(!QFile::exists(home(".config/Hourwright/options.ini")));
    }

    void firstStartRefusesWhatItCannotCreate_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("passwords differ") << "edtPasswordAgain" << "other" << "passwords differ";
        QTest::newRow("no password") << "edtPassword" << "" << "Enter a password";
        QTest::newRow("no user name") << "edtUserName" << " " << "user name";
        QTest::newRow("no database file") << "edtDataBasePath" << "" << "file of the new database";
        QTest::newRow("database file exists") << "edtDataBasePath" << "EXISTING" << "already exists";
    }
    void firstStartRefusesWhatItCannotCreate()
    {
        QFETCH(QString, edit);
        QFETCH(QString, value);
        QFETCH(QString, message);
        AppPaths::setApplicationFolderForTests(m_stage + "/bin");
        OptionsLocation::useForProgram(OptionsLocation::chosen());
        const QString existing = m_dir.filePath("existing.db");
        QFile(existing).open(QIODevice::WriteOnly);
        auto module = TCustomModule::Create<TdmFirstStart, TFrmFirstStart>();
        fillFirstStart(*module);
        type(*module, edit.toLatin1().constData(), value == "EXISTING" ? existing : value);
        press(*module, "btnCreate");
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(MessageService::shownForTests().first().text.contains(message),
                 qPrintable(MessageService::shownForTests().first().text));
        QVERIFY(!module->Completed());
        QVERIFY(!QFile::exists(home(".config/Hourwright/options.ini")));
        QVERIFY(!QFile::exists(home(".local/share/Hourwright/hwr.db")));
        QCOMPARE(QFileInfo(existing).size(), 0);
    }

    void firstStartCreatesOptionsAndDatabaseAndSignInWorks()
    {
        AppPaths::setApplicationFolderForTests(m_stage + "/bin");
        OptionsLocation::useForProgram(OptionsLocation::chosen());
        const QString options = home(".config/Hourwright/options.ini");
        const QString database = home(".local/share/Hourwright/hwr.db");
        QCOMPARE(GetOptionsManager()->OptionsFileName(), options);
        QString createdUser, createdPassword;
        {
            auto module = TCustomModule::Create<TdmFirstStart, TFrmFirstStart>();
            QCOMPARE(text(*module, "edtDataBasePath"), database);
            fillFirstStart(*module);
            press(*module, "btnCreate");
            QVERIFY2(MessageService::shownForTests().isEmpty(),
                     qPrintable(MessageService::shownForTests().value(0).text));
            QVERIFY(module->Completed());
            createdUser = module->CreatedUserName();
            createdPassword = module->CreatedPassword();
        }
        ProfileFile file(options);
        QCOMPARE(file.readString("ConnectionSettings", "DatabaseType"), QStringLiteral("0"));
        QCOMPARE(file.readString("ExportSettings", "DataBasePath"), database);
        QCOMPARE(file.readString("ExportSettings", "ExcelPath"), m_stage + "/share/hourwright/Reports/Hourwright.xlsx");
        {
            DbConnection db;
            db.openSqlite(database);
            QCOMPARE(Schema::check(db), QStringList());
            auto scalar = [&db](const QString& sql) {
                QSqlQuery query = db.exec(sql);
                return query.next() ? query.value(0).toString() : QStringLiteral("(none)");
            };
            QCOMPARE(scalar("select count(*) from USERS"), QStringLiteral("1"));
            QCOMPARE(scalar("select USERNAME || ' ' || IS_ADMIN from USERS"), QStringLiteral("maja 1"));
            QCOMPARE(scalar("select D.LASTNAME || ' ' || D.NAME from USERS U join DEVELOPERS D on D.ID = U.DEVELOPER_ID"),
                     QStringLiteral("Lindgren Maja"));
            // No sample data.
            QCOMPARE(scalar("select (select count(*) from PROJECTS) + (select count(*) from CUSTOMER)"
                            " + (select count(*) from PROJECTWORK)"),
                     QStringLiteral("0"));
            db.close();
        }

        // "Create and Sign In" signs the new user in, as the start-up does:
        // the sign-in form never shows.
        auto main = TdmMain::create();
        QVERIFY(main->loginDialog()->SignInWith(createdUser, createdPassword));
        main->ModuleForm()->show();
        QTest::qWait(50);
        QVERIFY(!main->loginDialog()->form() || !main->loginDialog()->form()->isVisible());
        QVERIFY(main->Lookup("StatusBarPanel1")->AsLabel()->text().contains("User maja - > Developer :Lindgren Maja"));
        // The database, its side files, the backups folder and the day's
        // copy are the owner's alone.
        const QString backups = home(".local/share/Hourwright/Backups");
        QTRY_VERIFY_WITH_TIMEOUT(!DatabaseBackup::backupsIn(backups).isEmpty(), 15000);
        for (const QString& path : QStringList{database, database + "-wal", database + "-shm", backups,
                                               DatabaseBackup::backupsIn(backups).first()})
            QVERIFY2((QFileInfo(path).permissions() & 0x0077) == QFileDevice::Permissions(), qPrintable(path));
    }

    void firstStartCanUseAnExistingDatabase()
    {
        // Another person of the same machine, whose database exists already.
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("other-config").toLocal8Bit());
        AppPaths::setApplicationFolderForTests(m_stage + "/bin");
        OptionsLocation::useForProgram(OptionsLocation::chosen());
        const QString existing = home(".local/share/Hourwright/hwr.db");
        bool sawSettings = false;
        QTimer::singleShot(100, qApp, [&] {
            QWidget* settings = QApplication::activeModalWidget();
            if (!settings || settings->objectName() != "FrmSettings")
                return;
            sawSettings = true;
            settings->findChild<QComboBox*>("edtDataBaseKind")->setCurrentIndex(0);
            settings->findChild<QLineEdit*>("edtDataBasePath")->setText(existing);
            settings->findChild<QPushButton*>("btnOk")->click();
        });
        {
            auto module = TCustomModule::Create<TdmFirstStart, TFrmFirstStart>();
            press(*module, "btnUseExisting");
            QVERIFY(sawSettings);
            QVERIFY(module->Completed());
        }
        ProfileFile file(m_dir.filePath("other-config/Hourwright/options.ini"));
        qputenv("XDG_CONFIG_HOME", config);
        QCOMPARE(file.readString("ConnectionSettings", "DatabaseType"), QStringLiteral("0"));
        QCOMPARE(file.readString("ExportSettings", "DataBasePath"), existing);
        QCOMPARE(file.readString("ExportSettings", "ExcelPath"), m_stage + "/share/hourwright/Reports/Hourwright.xlsx");
    }

    void commandLineFindsTheSameOptions()
    {
        const Run status = run(installed("hourwright-cli"), {"status", "--user", "maja"},
                               {{"HOURWRIGHT_PASSWORD", "first-pw"}});
        QVERIFY2(status.code == 0, qPrintable(status.err));
        QCOMPARE(status.out, QStringLiteral("No interval is open.\n"));
        const Run check = run(installed("hourwright-db"), {"check"});
        QVERIFY2(check.code == 0, qPrintable(check.err));
        QVERIFY(check.out.contains("all tables and columns are present"));
        const Run named = run(installed("hourwright-db"), {"check", "--options", m_dir.filePath("none.ini")});
        QCOMPARE(named.code, 1);
        QVERIFY2(named.err.contains("none.ini does not exist"), qPrintable(named.err));
    }

    void secondStartExitsZeroAndTheFirstComesForward()
    {
        QProcess first;
        QProcessEnvironment env = m_env;
        env.insert("HW_QUIT_AFTER_MS", "6000");
        first.setProcessEnvironment(env);
        first.start(installed("hourwright"), {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("run/hourwright.socket")), 15000);

        const Run second = run(installed("hourwright"), {});
        QVERIFY2(second.code == 0, qPrintable(second.err));
        QVERIFY2(second.err.contains("already running"), qPrintable(second.err));

        QVERIFY(first.waitForFinished(30000));
        const QString firstErr = QString::fromLocal8Bit(first.readAllStandardError());
        QCOMPARE(first.exitCode(), 0);
        QVERIFY2(firstErr.contains("another start asked this one to show its window"), qPrintable(firstErr));
        QVERIFY2(firstErr.contains("window shown: Hourwright"), qPrintable(firstErr));

        // -setup is not limited: it runs beside a running program.
        QProcess running;
        running.setProcessEnvironment(env);
        running.start(installed("hourwright"), {});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("run/hourwright.socket")), 15000);
        const Run setup = run(installed("hourwright"), {"-setup"}, {{"HW_QUIT_AFTER_MS", "500"}});
        QVERIFY2(setup.err.contains("window shown: Hourwright - Settings"), qPrintable(setup.err));
        running.waitForFinished(30000);
    }

    void theInstalledTreeIsNeverWritten() { QCOMPARE(listing(), m_stageListing); }

    void aHiddenWindowComesBackWhenAskedTo()
    {
        MainWindowFixture fixture;
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        main->ModuleForm()->hide();
        StartUp::bringForward(main.get());
        QVERIFY(main->ModuleForm()->isVisible());
        QVERIFY(!main->ModuleForm()->isMinimized());
    }

    void windowAndTrayIconsShowWhetherTimeRuns()
    {
        QVERIFY(!AppIcons::idle().isNull());
        QVERIFY(!AppIcons::monitoring().isNull());
        QVERIFY(AppIcons::idle().pixmap(16).toImage() != AppIcons::monitoring().pixmap(16).toImage());

        MainWindowFixture fixture;
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        TTrayIcon* tray = main->MainTrayIcon();
        QVERIFY(!tray->showsMonitoring());
        QCOMPARE(tray->tip(), QStringLiteral("Hourwright: not monitoring"));
        QCOMPARE(tray->PopupMenu(), main->Lookup("TrayPopupMenu")->AsPopupMenu());

        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        main->DoStartMonitoring();
        QVERIFY(tray->showsMonitoring());
        QCOMPARE(tray->tip(), "Hourwright: Portal since " + main->DisplayStartTime().toString("HH:mm"));
        QCOMPARE(tray->Icon().pixmap(16).toImage(), AppIcons::monitoring().pixmap(16).toImage());

        main->DoStopMonitoring();
        QVERIFY(!tray->showsMonitoring());
        QCOMPARE(tray->Icon().pixmap(16).toImage(), AppIcons::idle().pixmap(16).toImage());
    }

    void monitoringTipKeepsTheStartTime_data()
    {
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("tip");
        QTest::newRow("short") << "Portal" << "Hourwright: Portal since 09:26";
        QTest::newRow("no name") << "" << "Hourwright: monitoring since 09:26";
        QTest::newRow("long name shortened")
            << QString(80, 'x') << "Hourwright: " + QString(38, 'x') + QChar(0x2026) + " since 09:26"; // 63 characters
    }
    void monitoringTipKeepsTheStartTime()
    {
        QFETCH(QString, project);
        QFETCH(QString, tip);
        const QString made = TTrayIcon::monitoringTip(project, QDateTime(QDate(2026, 5, 11), QTime(9, 26, 40)));
        QCOMPARE(made, tip);
        QVERIFY(made.size() <= TTrayIcon::MaxTipLength);
    }

    void terminateEndsEvenWhenTheOptionsCannotBeWritten()
    {
        MainWindowFixture fixture;
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        main->DoStartMonitoring();
        // The options file can no longer be replaced (its folder is gone).
        GetOptionsManager()->setOptionsFileName(QDir(fixture.db().folder()).filePath("gone/options.ini"));
        main->Terminate();
        QCOMPARE(m_terminations, 1);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("Unable to write to"));
        // The interval stays open in its row, to be taken over at the next sign-in.
        QCOMPARE(fixture.db().scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
    }

    void everyWindowHasTheProgramIcon()
    {
        MainWindowFixture fixture;
        bool checked = false;
        QTimer::singleShot(300, qApp, [&] {
            QVERIFY(!QApplication::windowIcon().isNull());
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->isVisible())
                    QVERIFY2(!widget->windowIcon().isNull(), qPrintable(widget->windowTitle()));
            }
            checked = true;
            qApp->exit(0);
        });
        QCOMPARE(StartUp::run(*static_cast<HourwrightApplication*>(qApp)), 0);
        QVERIFY(checked);
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.hourwright.Hourwright"));
    }
};

int main(int argc, char* argv[])
{
    HourwrightApplication app(argc, argv);
    TestInstalled test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_Installed.moc"
