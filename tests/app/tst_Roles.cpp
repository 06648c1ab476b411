#include "app/mm_main.h"
#include "app/o_Roles.h"
#include "components/LoginDialog.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_SignIn.h"
#include "framework/o_ComponentCaster.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "toolkit/MessageService.h"
#include "toolkit/PasswordHash.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

// Who may do what in the main window, and who signs in there.
class TestRoles : public QObject
{
    Q_OBJECT

    TdmMain::Ptr<TdmMain> start()
    {
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        return main;
    }

    static QAction* action(TdmMain& main, const QString& name) { return main.Lookup(name)->AsAction(); }

private slots:
    void init() { MainWindowFixture::beforeWindowTest(); }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void menuItems_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("allowed");
        const QStringList adminOnly{"mnuUsers",    "mnuDevelopers",           "mnuCustomers",
                                    "mnuProjects", "mnuProjectsperDeveloper", "mnuRecalcTimeSpend"};
        for (const QString& item : adminOnly) {
            QTest::addRow("developer, %s", qPrintable(item)) << "chidi" << "pw" << item << false;
            QTest::addRow("administrator, %s", qPrintable(item)) << "admin" << "secret" << item << true;
        }
        QTest::newRow("IS_ADMIN 2, mnuUsers") << "erik" << "pw" << "mnuUsers" << false;
        for (const char* item : {"mnuSpecialEntry", "mnuWeek", "mnuReports", "mnuOptions", "mnuAbout"})
            QTest::addRow("developer, %s", item) << "chidi" << "pw" << item << true;
    }
    void menuItems()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, item);
        QFETCH(bool, allowed);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                          "values (1,1,'2009-05-11 08:00:00.000','2009-05-11 09:00:00.000',7,1)");
        auto main = start();
        // Before anyone signs in, nothing administrative is offered.
        QVERIFY(!action(*main, "mnuUsers")->isEnabled());
        signIn(*main, user, password);
        QCOMPARE(action(*main, item)->isEnabled(), allowed);
        if (allowed)
            return;

        // Reached another way (a command sent straight to the handler), the
        // command refuses and opens nothing.
        QStringList opened;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->isVisible() && widget != main->ModuleForm() && widget != main->loginDialog()->form()) {
                    opened << widget->windowTitle();
                    widget->close();
                }
        });
        watch.start(10);
        emit action(*main, item)->triggered(false);
        watch.stop();
        QCOMPARE(opened, QStringList{});
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, Roles::refusalText());
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 7.0); // not recalculated
    }

    // The master pair is refused unless the options file enables it, and
    // always on a server, which knows no such person; enabled, it signs in as
    // an administrator with no developer, not as any user's row.
    void masterPair_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("off by default") << false;
        QTest::newRow("MasterLogin=1") << true;
    }
    void masterPair()
    {
        QFETCH(bool, enabled);
        MainWindowFixture fixture;
        if (enabled)
            GetOptionsManager()->WriteValue(Options::ProjectsSection, SignIn::masterLoginKey(), 1);
        auto main = start();
        if (!enabled || TestDatabase::onServer()) {
            // An unknown pair like any other: the form stays, with the message.
            main->loginDialog()->setShowOnAppStart(false);
            QVERIFY(!main->loginDialog()->ValidateLogin("kz", "706"));
            QVERIFY(main->loginDialog()->IsFirstAppRun);
            QCOMPARE(main->loginDialog()->attemptCount(), 2);
            QCOMPARE(MessageService::shownForTests().size(), 1);
            QCOMPARE(MessageService::shownForTests().first().text, SignIn::refusalText());
            QVERIFY(!action(*main, "mnuUsers")->isEnabled());
            return;
        }
        signIn(*main, "kz", "706");
        QCOMPARE(main->Lookup("StatusBarPanel1")->AsLabel()->text(), QStringLiteral("User kz - > Developer :"));
        QCOMPARE(main->ProjectMonitor()->DeveloperID, 0);
        QVERIFY(main->signedInUser().isAdmin);
        QCOMPARE(main->ProjectsQuery()->recordCount(), 3); // every project
        QVERIFY(action(*main, "mnuUsers")->isEnabled());
    }

    // On a team server with one login per person the sign-in opens the
    // connection with the pair typed, and the window then works under the
    // server's rules.
    void personalLogins_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("projects"); // -1: refused; -2: the server does not answer
        QTest::newRow("member") << "chidi" << "pw" << 2;
        QTest::newRow("administrator") << "admin" << "secret" << 3;
        QTest::newRow("wrong password") << "chidi" << "PW" << -1;
        QTest::newRow("unknown login") << "nobody" << "pw" << -1;
        QTest::newRow("no server at the address") << "chidi" << "pw" << -2;
    }
    void personalLogins()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, projects);
        SKIP_ON_FILE();
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        db.usePersonalLogins();
        db.writeOptions(*GetOptionsManager());
        if (projects == -2)
            GetOptionsManager()->WriteValue(Options::ConnectionSection, Options::ServerName, "127.0.0.1:1");
        auto main = start();
        if (projects < 0) {
            main->loginDialog()->setShowOnAppStart(false);
            QVERIFY(!main->loginDialog()->ValidateLogin(db.login(user), password));
            QCOMPARE(MessageService::shownForTests().size(), 1);
            // A server that cannot be asked is said so, and no attempt counts.
            const QString shown = MessageService::shownForTests().first().text;
            QVERIFY2(projects == -1 ? shown == SignIn::refusalText() : shown.startsWith("Signing in failed"),
                     qPrintable(shown));
            QCOMPARE(main->loginDialog()->attemptCount(), projects == -1 ? 2 : 1);
            QVERIFY(!main->AdoConn()->isOpen());
            return;
        }
        signIn(*main, db.login(user), password);
        QVERIFY(main->signedInUser().serverLogin);
        QCOMPARE(main->ProjectsQuery()->recordCount(), projects);
        QCOMPARE(action(*main, "mnuUsers")->isEnabled(), user == "admin");
        // Start and Stop write the person's own intervals under row security.
        main->DoStartMonitoring();
        main->DoStopMonitoring();
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where DEVELOPER_ID = ? and COMPLETED = 1",
                           {main->signedInUser().developerId})
                     .toInt(),
                 1);
        QCOMPARE(GetOptionsManager()->ReadValue(Options::ProjectsSection, Options::LastUserName, "").toString(),
                 db.login(user));
    }

    // The dialog signs in by the shared rules: a hash, or an old plain-text
    // password that is hashed on the way.
    void dialogStoresHashes_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("developer");
        QTest::newRow("plain text, hashed at sign-in") << "chidi" << "pw" << "Okafor Chidi";
        QTest::newRow("hashed") << "anna" << "Hash me" << "Berg Anna";
    }
    void dialogStoresHashes()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, developer);
        MainWindowFixture fixture;
        fixture.db().exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna',?)",
                          {PasswordHash::hash("Hash me")});
        auto main = start();
        signIn(*main, user, password);
        QCOMPARE(main->Lookup("StatusBarPanel1")->AsLabel()->text(),
                 QStringLiteral("User %1 - > Developer :%2").arg(user, developer));
        const QString stored = fixture.db().scalar("select PASSWORD from USERS where USERNAME = ?", {user}).toString();
        QVERIFY(PasswordHash::verify(stored, password));
        // "pw" turns up in about one of fifty hashes' random text by chance.
        if (password.size() >= 6)
            QVERIFY(!stored.contains(password));
        QVERIFY(MessageService::shownForTests().isEmpty());
    }
};

QTEST_MAIN(TestRoles)
#include "tst_Roles.moc"
