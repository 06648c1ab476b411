#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/TrayIcon.h"
#include "components/o_OptionsManager.h"
#include "components/o_SignIn.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_QVTimer.h"
#include "components/o_Dialect.h"
#include "components/o_WorkRowLoader.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Settings.h"
#include "support/DesktopStandIns.h"
#include "support/FakeIdleSource.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "support/TestTimes.h"
#include "components/o_IdleWatch.h"
#include "app/o_DesktopCompanion.h"
#include "toolkit/IdleSource.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DesktopBus.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

    int m_terminations = 0;
    int m_busSignals = 0;

    TdmMain::Ptr<TdmMain> start()
    {
        // The old open intervals these tests resume are not asked about here;
        // that question has tests of its own.
        GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::LongIntervalHours, 0);
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        return main;
    }

    QStringList projectNames(TdmMain& main)
    {
        QStringList names;
        SqlQuery* projects = main.ProjectsQuery();
        for (projects->first(); !projects->eof(); projects->next())
            names << projects->value("PROJECT_NAME").toString();
        projects->first();
        return names;
    }

    QString text(TdmMain& main, const char* name)
    {
        return main.Lookup(QString::fromLatin1(name))->AsLabel()->text();
    }
    bool enabled(TdmMain& main, const char* name)
    {
        return main.Lookup(QString::fromLatin1(name))->AsToolButton()->isEnabled();
    }
    void click(TdmMain& main, const char* name)
    {
        TqvComponentCaster* found = main.Lookup(QString::fromLatin1(name));
        if (QAction* action = found->AsAction())
            action->trigger();
        else
            found->AsToolButton()->click();
    }

    // The desktop's services on a bus of the test's own, for this test only.
    struct Desktop
    {
        PrivateBus bus;
        DesktopStandIns services{bus.address};
        Desktop() { DesktopBus::useForTests(services.programBus()); }
        ~Desktop() { DesktopBus::useForTests(); }
        int notificationCount()
        {
            QMutexLocker lock(&services.mutex);
            return int(services.notifications.size());
        }
    };
    // Sends a signal as a desktop service would and returns once the
    // program's connection has handed it on.
    void sendAndWait(Desktop& desktop, const QString& path, const QString& interface, const QString& name,
                     const QVariantList& arguments)
    {
        const int before = m_busSignals;
        QDBusConnection bus = desktop.services.programBus();
        bus.connect(QString(), path, interface, name, this, SLOT(onBusSignal()));
        desktop.services.emitSignal(path, interface, name, arguments);
        QTRY_VERIFY(m_busSignals > before);
        QCoreApplication::processEvents();
        bus.disconnect(QString(), path, interface, name, this, SLOT(onBusSignal()));
    }
    void clickTrayIcon(TdmMain& main)
    {
        main.MainTrayIcon()->WndProc(TTrayIcon::WM_LBUTTONDOWN);
        main.MainTrayIcon()->WndProc(TTrayIcon::WM_LBUTTONUP);
    }

public slots:
    void onBusSignal() { ++m_busSignals; }

private slots:
    void init()
    {
        m_terminations = 0;
        MainWindowFixture::beforeWindowTest([this] { ++m_terminations; });
    }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void projectListsByUser_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("projects");
        QTest::addColumn<QString>("status");
        QTest::newRow("administrator") << "admin" << "secret" << QStringList{"Billing", "Portal", "Inventory"}
                                       << "User admin - > Developer :Berg Anna";
        QTest::newRow("developer") << "chidi" << "pw" << QStringList{"Portal", "Inventory"}
                                   << "User chidi - > Developer :Okafor Chidi";
        QTest::newRow("is-admin 2 is no administrator") << "erik" << "pw" << QStringList{}
                                                        << "User erik - > Developer :Lindqvist Erik";
        QTest::newRow("no developer") << "nodev" << "pw" << QStringList{} << "User nodev - > Developer :";
    }
    void projectListsByUser()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QStringList, projects);
        QFETCH(QString, status);
        MainWindowFixture fixture;
        Clock::setNow(at("2026-12-08 22:30:00"));
        auto main = start();
        QVERIFY(!enabled(*main, "btnStartMonitoring"));
        signIn(*main, user, password);
        QCOMPARE(projectNames(*main), projects);
        QCOMPARE(text(*main, "StatusBarPanel1"), status);
        // Today's date, also late in the evening.
        QCOMPARE(text(*main, "StatusBarPanel0"), QLocale().toString(QDate(2026, 12, 8), "dddd dd MMMM yyyy"));
        QVERIFY(enabled(*main, "btnStartMonitoring"));
        QVERIFY(!enabled(*main, "btnStopMonitoring"));
    }

    void wrongPasswordsUpToTheLimit()
    {
        MainWindowFixture fixture;
        auto main = start();
        LoginDriver driver(*main, {{"admin", "x"}, {"admin", "y"}, {"ADMIN", "secret"}, {"admin", "z"}}, true);
        QTRY_VERIFY_WITH_TIMEOUT(!main->loginDialog()->form() || !main->loginDialog()->form()->isVisible()
                                     || driver.presses == 4,
                                 5000);
        QTRY_COMPARE(driver.presses, 4);
        // Three refusals leave the form up; the fourth press asks to end the program.
        QTRY_VERIFY(m_terminations >= 1);
        QCOMPARE(main->loginDialog()->attemptCount(), 5);
        QCOMPARE(MessageService::shownForTests().size(), 4);
        QCOMPARE(MessageService::shownForTests().first().text,
                 QStringLiteral("Wrong username or password. Please enter again."));
    }

    // The form takes what the person typed as the name, answers an unknown
    // one as a wrong password, and offers the name signed in with last.
    void signInForm_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("focusOnPassword");
        QTest::newRow("first sign-in on this desktop") << "" << "chi" << false;
        QTest::newRow("name remembered") << "chidi" << "" << true;
    }
    void signInForm()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, typed);
        QFETCH(bool, focusOnPassword);
        MainWindowFixture fixture;
        if (!remembered.isEmpty())
            GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::LastUserName, remembered);
        auto main = start();
        main->loginDialog()->ShowModal = false;
        QTRY_VERIFY(main->loginDialog()->form() && main->loginDialog()->form()->isVisible());
        TFrmLogin* form = main->loginDialog()->form();
        QCOMPARE(form->UserCombo->currentText(), remembered);
        QWidget* focused = form->focusWidget();
        QCOMPARE(focused == form->PassTxt, focusOnPassword);
        QCOMPARE(focused == form->UserCombo || form->UserCombo->isAncestorOf(focused), !focusOnPassword);
        if (typed.isEmpty())
            return;
        // "chi" is no user, though the list holds "chidi".
        QTest::keyClicks(form->UserCombo->lineEdit(), typed);
        QCOMPARE(form->UserCombo->currentText(), typed);
        form->PassTxt->setText("pw");
        form->LoginBtn->click();
        QVERIFY(form->isVisible());
        QCOMPARE(main->loginDialog()->attemptCount(), 2);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, SignIn::refusalText());
        QCOMPARE(form->PassTxt->text(), QString());
    }

    void startTickStopWritesTheInterval()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 23:30:00"));
        auto main = start();
        signIn(*main, "chidi", "pw");
        main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory");
        click(*main, "btnStartMonitoring");
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QVERIFY(!enabled(*main, "btnStartMonitoring"));
        QVERIFY(enabled(*main, "btnStopMonitoring"));
        QVERIFY(main->Lookup("CurrentProject")->AsLabel()->isVisible());
        QCOMPARE(main->Lookup("CurrentProject")->AsLabel()->text(), QStringLiteral("Inventory"));
        QVERIFY(!main->Lookup("ProjectGrid")->as<DbGrid>()->isEnabled());
        QWidget* comment = main->Lookup("edtComment")->as<QWidget>();
        const QPoint commentAt = comment->mapTo(main->ModuleForm(), QPoint());

        Clock::advance(5000);
        // The kit timer ticks about once a second on its own.
        QTRY_COMPARE_WITH_TIMEOUT(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :00:00:05"), 3000);
        Clock::advance(25 * 3600 * 1000 - 5000);
        main->UpdateElapsedLabel();
        QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :25:00:00"));

        Clock::setNow(at("2009-05-12 00:30:30"));
        click(*main, "StopMonitoring1"); // F8 does what the button does
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStartMonitoring"));
        QVERIFY(main->Lookup("ProjectGrid")->as<DbGrid>()->isEnabled());
        QCOMPARE(text(*main, "CurrentProject"), QStringLiteral("Not monitoring"));
        QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Last interval: 01:00:30"));
        QCoreApplication::processEvents();
        QCOMPARE(comment->mapTo(main->ModuleForm(), QPoint()), commentAt);

        QSqlQuery row = fixture.db().connection().exec(
            "select PROJECT_ID,DEVELOPER_ID,TIME_END,TIME_SPEND,COMPLETED,DAY_END from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toInt(), 3);
        QCOMPARE(row.value(1).toInt(), 2);
        QCOMPARE(TestDatabase::asStored(row.value(2)).toString(), QStringLiteral("2009-05-12 00:30:30.000"));
        QCOMPARE(row.value(3).toDouble(), 1.0);
        QCOMPARE(row.value(4).toInt(), 1);
        QCOMPARE(TestDatabase::asStored(row.value(5)).toString(), QStringLiteral("2009-05-12"));
        // The list stays on the project just stopped, whose row shows the stop.
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Inventory"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
        QCOMPARE(main->ProjectWorkData()->value("TIME_SPEND").toDouble(), 1.0);
    }

    // An interval of this developer opened elsewhere (another machine, the
    // command line) after the sign-in: Start never leaves two open rows.
    void startWhileAnIntervalRunsElsewhere_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("monitoring");
        QTest::addColumn<int>("monitoredProject");
        QTest::addColumn<QString>("rows"); // PROJECT_ID/COMPLETED/COMMENTS of each row, by ID
        QTest::newRow("take it over") << int(QMessageBox::Yes) << true << 2 << "2/0/from the cli";
        QTest::newRow("stop it and start the new one")
            << int(QMessageBox::No) << true << 3 << "2/1/from the cli;3/0/";
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << 0 << "2/0/from the cli";
    }
    void startWhileAnIntervalRunsElsewhere()
    {
        QFETCH(int, answer);
        QFETCH(bool, monitoring);
        QFETCH(int, monitoredProject);
        QFETCH(QString, rows);
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 10:00:00"));
        auto main = start();
        signIn(*main, "chidi", "pw");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,COMPLETED,DAY_START)"
                          " values (2,2,'2009-05-11 08:30:00.000','from the cli',0,'2009-05-11')");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory"));
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        click(*main, "btnStartMonitoring");

        QCOMPARE(MessageService::shownForTests().size(), 1);
        const MessageService::Request& asked = MessageService::shownForTests().first();
        QVERIFY2(asked.text.contains("interval 1 on \"Portal\" since 2009-05-11 08:30"), qPrintable(asked.text));
        QVERIFY2(asked.text.contains("start \"Inventory\""), qPrintable(asked.text));
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(main->ProjectMonitor()->Monitoring(), monitoring);
        QCOMPARE(enabled(*main, "btnStopMonitoring"), monitoring);
        if (monitoring) {
            QCOMPARE(main->ProjectMonitor()->ProjectID, monitoredProject);
            QCOMPARE(main->ProjectsQuery()->value("PROJECT_ID").toInt(), monitoredProject);
            QCOMPARE(text(*main, "CurrentProject"), monitoredProject == 2 ? QStringLiteral("Portal") : "Inventory");
            QVERIFY(!main->Lookup("ProjectGrid")->as<DbGrid>()->isEnabled());
        }
        if (answer == QMessageBox::Yes) {
            QCOMPARE(main->ProjectMonitor()->CurrentWorkID(), 1);
            main->UpdateElapsedLabel();
            QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :01:30:00"));
        }
        QStringList stored;
        QSqlQuery query = fixture.db().connection().exec(
            "select PROJECT_ID || '/' || COMPLETED || '/' || COMMENTS from PROJECTWORK order by ID");
        while (query.next())
            stored << query.value(0).toString();
        QCOMPARE(stored.join(';'), rows);
        QCOMPARE(fixture.db().scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(),
                 monitoring || answer == QMessageBox::Cancel ? 1 : 0);
        QCOMPARE(main->MainTrayIcon()->tip().startsWith("Hourwright: not monitoring"), !monitoring);
        if (answer == QMessageBox::Yes) {
            // The interval taken over keeps its own comment through Stop.
            click(*main, "btnStopMonitoring");
            QCOMPARE(fixture.db().scalar("select COMMENTS from PROJECTWORK where ID = 1").toString(),
                     QStringLiteral("from the cli"));
        }
    }

    // Start says why it cannot begin, and writes nothing.
    void startRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("before"); // a statement run after the sign-in, or none
        QTest::addColumn<QString>("reason");
        QTest::newRow("no project assigned") << "erik" << "" << "no project in your list";
        QTest::newRow("administrator without a developer")
            << "admin" << "update USERS set DEVELOPER_ID = 0 where USERNAME = 'admin'" << "linked to no developer";
        QTest::newRow("project deleted by an administrator meanwhile")
            << "chidi" << "delete from PROJECTS where ID = 2" << "no longer exists";
    }
    void startRefusedWithAReason()
    {
        QFETCH(QString, user);
        QFETCH(QString, before);
        QFETCH(QString, reason);
        MainWindowFixture fixture;
        if (before.contains("USERS"))
            fixture.db().exec(before);
        auto main = start();
        signIn(*main, user, user == "admin" ? "secret" : "pw");
        if (!before.isEmpty() && !before.contains("USERS"))
            fixture.db().exec(before);
        click(*main, "btnStartMonitoring");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QCOMPARE(fixture.db().count("PROJECTWORK"), 0);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(MessageService::shownForTests().first().text.contains(reason),
                 qPrintable(MessageService::shownForTests().first().text));
        // A deleted project leaves the list when it is read again.
        QVERIFY(!projectNames(*main).contains("Portal") || user != "chidi");
    }

    void refusedStartStaysIdleAndShowsTheReason()
    {
        MainWindowFixture fixture;
        fixture.db().refuseWrites("insert", "PROJECTWORK", "disk says no");
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStartMonitoring"));
        QVERIFY(!enabled(*main, "btnStopMonitoring"));
        QVERIFY(!main->Lookup("TimeElapsedTimer")->AsTimer()->Enabled());
        QVERIFY(main->Lookup("ProjectGrid")->as<DbGrid>()->isEnabled());
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("disk says no"));
    }

    void refusedStopKeepsMonitoring()
    {
        MainWindowFixture fixture;
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        fixture.db().refuseWrites("update", "PROJECTWORK", "locked up");
        click(*main, "btnStopMonitoring");
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStopMonitoring"));
        QVERIFY(!enabled(*main, "btnStartMonitoring"));
        QVERIFY(MessageService::shownForTests().last().text.contains("locked up"));
    }

    void recalculateRecomputesAndSaysSo()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                          "values (1,1,'2009-05-11 23:30:00.000','2009-05-12 00:30:30.000',22.98,1)");
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "mnuRecalcTimeSpend");
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 1.0);
        QCOMPARE(MessageService::shownForTests().last().text, QStringLiteral("Time Recalculated"));
        QCOMPARE(MessageService::shownForTests().last().title, QStringLiteral("Hourwright"));
    }

    void optionsOpensTheSettingsModally()
    {
        MainWindowFixture fixture;
        // The file's path is an option on every kind; a server leaves it unused.
        GetOptionsManager()->WriteValue(Options::ExportSection, Options::DataBasePath, QStringLiteral("test.db"));
        auto main = start();
        signIn(*main, "admin", "secret");
        QString shownPath;
        QObject scope;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &scope, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* form = qobject_cast<TFrmSettings*>(widget);
                if (!form || !form->isVisible())
                    continue;
                poll.stop();
                shownPath = form->findChild<QLineEdit*>("edtDataBasePath")->text();
                form->findChild<QLineEdit*>("edtDataBasePath")->setText("elsewhere.db");
                form->findChild<QPushButton*>("btnCancel")->click();
            }
        });
        poll.start(5);
        click(*main, "mnuOptions"); // returns when the window has closed
        QCOMPARE(shownPath, QStringLiteral("test.db"));
        QCOMPARE(GetOptionsManager()->ReadValue(Options::ExportSection, Options::DataBasePath, QString()).toString(),
                 QStringLiteral("test.db"));
        QVERIFY(main->AdoConn()->isOpen());
    }

    // With a notification area the close box and File > Close (Ctrl+Q) hide
    // the window and a click on the icon brings it back; without one,
    // closing asks whether to end the program.
    void closeHidesOrAsks_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("answer");
        QTest::newRow("tray") << true << int(QMessageBox::NoButton);
        QTest::newRow("no tray, keep it open") << false << int(QMessageBox::No);
        QTest::newRow("no tray, end it") << false << int(QMessageBox::Yes);
    }
    void closeHidesOrAsks()
    {
        QFETCH(bool, tray);
        QFETCH(int, answer);
        TTrayIcon::setNotificationAreaForTests(tray ? 1 : 0);
        MainWindowFixture fixture;
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        QWidget* form = main->ModuleForm();
        for (bool closeBox : {true, false}) {
            MessageService::queueAnswer(QMessageBox::StandardButton(answer));
            closeBox ? void(form->close()) : click(*main, "mnuClose");
            QCOMPARE(form->isVisible(), !tray);
            clickTrayIcon(*main);
            QVERIFY(form->isVisible());
        }
        clickTrayIcon(*main); // a second click puts it away again
        QCOMPARE(form->isVisible(), !tray);
        QCOMPARE(MessageService::shownForTests().size(), tray ? 0 : 2);
        if (!tray)
            QVERIFY(MessageService::shownForTests().first().text.contains("no notification area"));
        QCOMPARE(m_terminations, answer == QMessageBox::Yes ? 2 : 0);
        QVERIFY(main->ProjectMonitor()->Monitoring());
    }

    // Start from a reminder's button or the tray menu starts the project of
    // the newest interval (not the one selected) through the window's own
    // Start; the tray's Stop stops it.
    void startOnTheLastProject_data()
    {
        QTest::addColumn<bool>("fromReminder");
        QTest::newRow("reminder") << true;
        QTest::newRow("tray menu") << false;
    }
    void startOnTheLastProject()
    {
        QFETCH(bool, fromReminder);
        Desktop desktop;
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "COMMENTS,DAY_START,DAY_END) values (3,2,'2009-05-08 08:00:00.000','2009-05-08 09:00:00.000',"
                          "1,1,'','2009-05-08','2009-05-08')");
        GetOptionsManager()->WriteValue(Options::DesktopSection, Options::ReminderMinutes, 15);
        Clock::setNow(at("2009-05-11 09:00:00")); // a Monday
        auto main = start();
        signIn(*main, "chidi", "pw");
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Portal"));
        if (fromReminder) {
            for (int minutes : {0, 10, 15}) {
                Clock::setNow(at("2009-05-11 09:00:00").addSecs(minutes * 60));
                main->desktopCompanion()->tick();
            }
            QTRY_COMPARE(desktop.notificationCount(), 1);
            QCOMPARE(desktop.services.notifications.first().mid(2),
                     (QStringList{"start", "Start Inventory", "dismiss", "Dismiss"}));
            // The program learns the notification's id from the reply to its
            // call, which may come after the call was counted here: the
            // button is pressed again until the program has it.
            QTRY_VERIFY((desktop.services.emitSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                                     "ActionInvoked", {1u, "start"}),
                         main->ProjectMonitor()->Monitoring()));
        } else {
            emit main->Lookup("TrayPopupMenu")->AsPopupMenu()->aboutToShow();
            QCOMPARE(main->Lookup("mnuPopStart")->AsAction()->text(), QStringLiteral("&Start Monitoring: Inventory"));
            click(*main, "mnuPopStart");
        }
        QCOMPARE(main->ProjectMonitor()->ProjectID, 3);
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Inventory"));
        click(*main, "mnuPopStop");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
    }

    // A lock or suspend while monitoring: nothing, a stop at that moment, or
    // the time-away question on return, as the user chose.
    void lockOrSuspend_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("sleep"); // else a lock
        QTest::addColumn<int>("answer"); // to the question on return
        QTest::addColumn<double>("hours"); // -1: still running
        QTest::newRow("suspend, stop") << 1 << true << int(QMessageBox::NoButton) << 0.5;
        QTest::newRow("lock, stop") << 1 << false << int(QMessageBox::NoButton) << 0.5;
        QTest::newRow("suspend, ask, discard") << 2 << true << int(QMessageBox::No) << 0.5;
        QTest::newRow("lock, ask, keep") << 2 << false << int(QMessageBox::Yes) << -1.0;
        QTest::newRow("keep running") << 0 << true << int(QMessageBox::NoButton) << -1.0;
    }
    void lockOrSuspend()
    {
        QFETCH(int, choice);
        QFETCH(bool, sleep);
        QFETCH(int, answer);
        QFETCH(double, hours);
        Desktop desktop;
        MainWindowFixture fixture;
        GetOptionsManager()->WriteValue(Options::DesktopSection, Options::OnLockOrSuspend, choice);
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        const QString path = sleep ? "/org/freedesktop/login1" : "/org/freedesktop/login1/session/_31";
        const QString interface = sleep ? "org.freedesktop.login1.Manager" : "org.freedesktop.login1.Session";
        Clock::setNow(at("2009-05-11 08:30:00"));
        sendAndWait(desktop, path, interface, sleep ? "PrepareForSleep" : "Lock", sleep ? QVariantList{true} : QVariantList{});
        QCOMPARE(main->ProjectMonitor()->Monitoring(), choice != 1);
        Clock::setNow(at("2009-05-11 09:15:00"));
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        sendAndWait(desktop, path, interface, sleep ? "PrepareForSleep" : "Unlock", sleep ? QVariantList{false} : QVariantList{});
        QCOMPARE(MessageService::shownForTests().size(), choice == 2 ? 1 : 0);
        QCOMPARE(main->ProjectMonitor()->Monitoring(), hours < 0);
        if (hours >= 0)
            QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), hours);
    }

    void terminateWhileMonitoringThenResume()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 08:00:00"));
        {
            auto main = start();
            signIn(*main, "admin", "secret");
            click(*main, "btnStartMonitoring");
            Clock::advance(60 * 1000);
            click(*main, "mnuTerminate");
            QCOMPARE(m_terminations, 1);
        }
        const double stored = Options::toDouble(GetOptionsManager()->ReadValue(
            Options::ProjectsSection, Options::LastProjectTimeElapsed, 0));
        QCOMPARE(TdmMain::fromDaySerial(stored), at("2009-05-11 08:00:00"));

        Clock::setNow(at("2009-05-11 09:30:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStopMonitoring"));
        QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :01:30:00"));
        click(*main, "btnStopMonitoring");
        QCOMPARE(fixture.db().scalar("select count(*) from PROJECTWORK").toInt(), 1);
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 1.5);
    }

    // A killed run writes nothing to the options: the open row's own start counts.
    void killedRunResumesFromTheOpenRow()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) "
                          "values (2,2,'2009-05-11 08:00:00.000','','2009-05-11')");
        GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::LastProjectTimeElapsed, 0);
        Clock::setNow(at("2009-05-11 10:15:07"));
        auto main = start();
        signIn(*main, "chidi", "pw");
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QCOMPARE(main->ProjectMonitor()->ProjectID, 2);
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Portal"));
        QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :02:15:07"));
        // Named and locked, as if started here.
        QCOMPARE(text(*main, "CurrentProject"), QStringLiteral("Portal"));
        QVERIFY(!main->Lookup("ProjectGrid")->as<DbGrid>()->isEnabled());
    }

    // A project name of 1,500 characters is cut in the window, which stays
    // narrower than the screen; Edit and Delete Interval follow the grid.
    void longNameAndRowCommands()
    {
        MainWindowFixture fixture;
        const QString name = QStringLiteral("Very long ") + QString(1490, QLatin1Char('x'));
        fixture.db().exec("update PROJECTS set DESCRIPTION = :D where ID = 2", {name});
        auto main = start();
        signIn(*main, "admin", "secret");
        QVERIFY(main->ProjectsQuery()->locate("ID", 2));
        QVERIFY(!main->Lookup("mnuEditInterval")->AsAction()->isEnabled());
        QVERIFY(!main->Lookup("actGridDeleteInterval")->AsAction()->isEnabled());
        click(*main, "btnStartMonitoring");
        QVERIFY(main->Lookup("mnuEditInterval")->AsAction()->isEnabled());
        QVERIFY(main->Lookup("actGridDeleteInterval")->AsAction()->isEnabled());
        auto* current = main->Lookup("CurrentProject")->as<ElidedLabel>();
        QCOMPARE(current->text(), name);
        QCoreApplication::processEvents();
        QVERIFY(current->isElided());
        QWidget* form = main->ModuleForm();
        QVERIFY(form->minimumSizeHint().width() < form->screen()->availableGeometry().width());
    }

    // No input for longer than IdleMinutes while monitoring: the user is
    // asked on return. Keep leaves the interval running; Discard ends it when
    // input stopped; Stop ends it now.
    void timeAway_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stillMonitoring");
        QTest::addColumn<double>("hours");
        QTest::addColumn<bool>("gnome"); // idle time from GNOME's idle monitor on the bus
        QTest::newRow("keep") << int(QMessageBox::Yes) << true << -1.0 << false;
        QTest::newRow("discard") << int(QMessageBox::No) << false << 0.5 << false;
        QTest::newRow("stop") << int(QMessageBox::Cancel) << false << 1.25 << false;
        QTest::newRow("discard, GNOME idle monitor") << int(QMessageBox::No) << false << 0.5 << true;
    }
    void timeAway()
    {
        QFETCH(int, answer);
        QFETCH(bool, stillMonitoring);
        QFETCH(double, hours);
        QFETCH(bool, gnome);
        std::unique_ptr<Desktop> desktop(gnome ? new Desktop : nullptr);
        auto setIdle = [&](qint64 msecs) {
            FakeIdleSource::idle = msecs;
            if (desktop) {
                QMutexLocker lock(&desktop->services.mutex);
                desktop->services.idle = msecs;
            }
        };
        MainWindowFixture fixture;
        GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::IdleMinutes, 15);
        if (!gnome)
            IdleSource::setFactoryForTests(&FakeIdleSource::make);
        auto restore = qScopeGuard([] { IdleSource::setFactoryForTests(nullptr); });
        setIdle(0);
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        auto tick = [&] { main->Lookup("TimeElapsedTimer")->AsTimer()->OnTimer(nullptr); };
        // Ticks every minute; no input from 08:30 until 09:15.
        const QDateTime lastInput = at("2009-05-11 08:30:00");
        for (QDateTime now = at("2009-05-11 08:01:00"); now < at("2009-05-11 09:15:00"); now = now.addSecs(60)) {
            Clock::setNow(now);
            setIdle(now > lastInput ? lastInput.msecsTo(now) : 0);
            tick();
        }
        QVERIFY(MessageService::shownForTests().isEmpty());
        Clock::setNow(at("2009-05-11 09:15:00"));
        setIdle(0);
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        tick();
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("45 minutes"));
        QCOMPARE(main->ProjectMonitor()->Monitoring(), stillMonitoring);
        if (hours >= 0)
            QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), hours);
        else
            QVERIFY(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").isNull());
        QCOMPARE(enabled(*main, "btnStartMonitoring"), !stillMonitoring);
    }

    void noQuestionWhenIdleIsOff()
    {
        MainWindowFixture fixture;
        IdleSource::setFactoryForTests(&FakeIdleSource::make);
        auto restore = qScopeGuard([] { IdleSource::setFactoryForTests(nullptr); });
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        FakeIdleSource::idle = 3 * 3600 * 1000;
        Clock::setNow(at("2009-05-11 11:00:00"));
        main->Lookup("TimeElapsedTimer")->AsTimer()->OnTimer(nullptr);
        FakeIdleSource::idle = 0;
        main->Lookup("TimeElapsedTimer")->AsTimer()->OnTimer(nullptr);
        QVERIFY(MessageService::shownForTests().isEmpty());
        QVERIFY(main->ProjectMonitor()->Monitoring());
    }

    // Each project's rows are those the full read of every interval showed
    // for it (the old way: all rows in memory, filtered by the selected
    // project), newest first, also when read in small packets.
    void workGridShowsWhatTheFullReadShowed_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("packet");
        QTest::newRow("administrator, one packet") << "admin" << "secret" << 1000;
        QTest::newRow("administrator, packets of 2") << "admin" << "secret" << 2;
        QTest::newRow("developer with a deleted project, packets of 3") << "chidi" << "pw" << 3;
    }
    void workGridShowsWhatTheFullReadShowed()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, packet);
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        // Monitored rows of three developers and of one since deleted, hand
        // entries (no comment, no days), an open row, a project without a
        // customer, and rows of a project deleted later (still assigned to
        // chidi) and of none at all.
        db.exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Gone',1,0)");
        db.exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (2,4)");
        const char* rows[] = {
            "(1,1,'2026-05-04 08:00:00.000','2026-05-04 09:30:00.000',1.5,'',1,'2026-05-04','2026-05-04')",
            "(2,2,'2026-05-04 10:00:00.000','2026-05-04 10:20:00.000',0.3333333333,'',1,'2026-05-04','2026-05-04')",
            "(2,3,'2026-05-05 08:00:00.000','2026-05-05 12:00:00.000',4,'x',1,'2026-05-05','2026-05-05')",
            "(3,2,'2026-04-01 09:00:00.000','2026-04-01 10:00:00.000',1,NULL,1,NULL,NULL)",
            "(2,9,'2026-05-06 07:00:00.000','2026-05-06 08:00:00.000',1,'',1,'2026-05-06','2026-05-06')",
            "(4,2,'2026-05-06 09:00:00.000','2026-05-06 09:45:00.000',0.75,'',1,'2026-05-06','2026-05-06')",
            "(1,2,'2026-05-07 08:00:00.000',NULL,NULL,'',0,'2026-05-07',NULL)",
            "(0,1,'2026-05-07 09:00:00.000','2026-05-07 10:00:00.000',1,'',1,'2026-05-07','2026-05-07')",
            "(2,2,'2026-03-01 08:00:00.000','2026-03-01 08:01:00.000',0.0166666667,NULL,1,NULL,NULL)",
            "(3,1,'2026-05-08 08:00:00.000','2026-05-08 11:00:00.000',3,'',1,'2026-05-08','2026-05-08')",
            "(2,1,'2026-05-08 13:00:00.000','2026-05-08 14:00:00.000',1,'',1,'2026-05-08','2026-05-08')",
        };
        for (const char* row : rows)
            db.exec(QStringLiteral("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,"
                                   "COMMENTS,COMPLETED,DAY_START,DAY_END) values %1")
                        .arg(QString::fromLatin1(row)));
        db.exec("delete from PROJECTS where ID = 4");
        db.exec("delete from DEVELOPERS where ID = 3");

        auto main = start();
        main->WorkRowLoader()->setPacketSizes(packet, packet);
        signIn(*main, user, password);
        // The old way: every row, shown through a detail filter on the list's key.
        const QString keyField = user == "admin" ? "ID" : "PROJECT_ID";
        SqlQuery all(main->AdoConn(), Dialect::workRowsStatement(Dialect::kindOf(*main->AdoConn())));
        all.open();
        MemTable before;
        before.loadFrom(all);
        before.setMasterLink(main->ProjectsQuery(), keyField, "PROJECT_ID");

        MemTable* shown = main->ProjectWorkData();
        int projects = 0;
        int rowsSeen = 0;
        SqlQuery* list = main->ProjectsQuery();
        for (list->first(); !list->eof(); list->next(), ++projects) {
            while (shown->canFetchMore())
                shown->fetchMore();
            const QString project = list->value(keyField).toString();
            QCOMPARE(shown->recordCount(), before.recordCount());
            QCOMPARE(shown->fieldNames(), before.fieldNames());
            for (int row = 0; row < shown->recordCount(); ++row) {
                const int old = before.recordCount() - 1 - row; // the full read went oldest first
                for (int field = 0; field < shown->fieldCount(); ++field)
                    QVERIFY2(shown->displayTextAt(row, field) == before.displayTextAt(old, field),
                             qPrintable(QStringLiteral("project %1 row %2 %3: %4 instead of %5")
                                            .arg(project)
                                            .arg(row)
                                            .arg(shown->fieldDef(field).name, shown->displayTextAt(row, field),
                                                 before.displayTextAt(old, field))));
            }
            rowsSeen += shown->recordCount();
        }
        QVERIFY(projects > 0);
        // The rows of chidi's deleted project are not listed: the project is not.
        QCOMPARE(rowsSeen, user == "admin" ? 9 : 7);
    }

    // Start puts the new row on top and Stop closes it in place; neither
    // reads the project's rows again.
    void startAndStopChangeTheRowInPlace()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                          "values (2,1,'2009-05-10 08:00:00.000','2009-05-10 09:00:00.000',1,1)");
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        MemTable* rows = main->ProjectWorkData();
        QCOMPARE(rows->recordCount(), 1);
        QSignalSpy resets(rows, &MemTable::rowsReset);
        QSignalSpy inserted(rows, &MemTable::rowInserted);
        QSignalSpy changed(rows, &MemTable::rowChanged);
        click(*main, "btnStartMonitoring");
        QCOMPARE(rows->recordCount(), 2);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(rows->valueAt(0, rows->fieldIndex("ID")).toInt(), main->ProjectMonitor()->CurrentWorkID());
        QCOMPARE(rows->valueAt(0, rows->fieldIndex("COMPLETED")).toInt(), 0);
        QCOMPARE(rows->valueAt(0, rows->fieldIndex("DEVELOPER_NAME")).toString(), QStringLiteral("Berg Anna"));
        const auto grid = main->Lookup("ProjectWorkGrid")->as<DbGrid>();
        QCOMPARE(grid->model()->rowCount(), 2);

        Clock::setNow(at("2009-05-11 08:45:00"));
        click(*main, "btnStopMonitoring");
        QCOMPARE(rows->recordCount(), 2);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(rows->valueAt(0, rows->fieldIndex("COMPLETED")).toInt(), 1);
        QCOMPARE(rows->valueAt(0, rows->fieldIndex("TIME_SPEND")).toDouble(), 0.75);
        QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("0:45"));
        QCOMPARE(resets.size(), 0);
    }

    // What "Currently Monitoring" names is the monitored project through
    // every refresh; idle, the list keeps its selection.
    void monitoredProjectStaysNamed_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("monitor");
        QTest::newRow("Recalculate") << "mnuRecalcTimeSpend" << true;
        QTest::newRow("Special Entry") << "mnuSpecialEntry" << true;
        QTest::newRow("Projects window") << "mnuProjects" << true;
        QTest::newRow("Projects per Developer window") << "mnuProjectsperDeveloper" << true;
        QTest::newRow("Stop") << "btnStopMonitoring" << true;
        QTest::newRow("idle, Recalculate") << "mnuRecalcTimeSpend" << false;
        QTest::newRow("idle, Projects window") << "mnuProjects" << false;
    }
    void monitoredProjectStaysNamed()
    {
        QFETCH(QString, command);
        QFETCH(bool, monitor);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                          "values (1,1,'2009-05-10 08:00:00.000','2009-05-10 09:00:00.000',1,1)");
        auto main = start();
        signIn(*main, "admin", "secret");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        if (monitor)
            click(*main, "btnStartMonitoring");
        // Windows opened by the command are closed as soon as they show.
        QObject scope;
        QTimer closer;
        connect(&closer, &QTimer::timeout, &scope, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(5);
        click(*main, command.toLatin1().constData());
        closer.stop();
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Portal"));
        if (monitor)
            QCOMPARE(main->Lookup("CurrentProject")->AsLabel()->text(),
                     command == "btnStopMonitoring" ? QStringLiteral("Not monitoring") : QStringLiteral("Portal"));
        MemTable* rows = main->ProjectWorkData();
        QCOMPARE(rows->recordCount(), monitor ? 1 : 0);
        if (monitor)
            QCOMPARE(rows->value("PROJECT_ID").toInt(), 2);
    }

    // A refresh brings the list back to the monitored project of a resumed
    // interval, and Stop keeps it there.
    void refreshReturnsToTheResumedProject()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) "
                          "values (3,2,'2009-05-11 08:00:00.000','','2009-05-11')");
        // Recalculate is an administrator's command.
        fixture.db().exec("update USERS set IS_ADMIN = 1 where USERNAME = 'chidi'");
        auto main = start();
        signIn(*main, "chidi", "pw");
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Inventory"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        QCOMPARE(main->ProjectWorkData()->recordCount(), 0);
        click(*main, "mnuRecalcTimeSpend");
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Inventory"));
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        click(*main, "btnStopMonitoring");
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), QStringLiteral("Inventory"));
        QCOMPARE(main->ProjectWorkData()->value("COMPLETED").toInt(), 1);
    }

    // While monitoring, View > Refresh (F5) shows what another client wrote
    // meanwhile; Stop keeps a comment written elsewhere while the clock ran,
    // unless one was typed into the field.
    void refreshAndStopWhileOthersWrite_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("nothing typed") << QString() << "from the command line";
        QTest::newRow("a comment typed") << "typed here" << "typed here";
    }
    void refreshAndStopWhileOthersWrite()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        MainWindowFixture fixture;
        auto main = start();
        signIn(*main, "chidi", "pw");
        QVERIFY(main->ProjectsQuery()->locate("PROJECT_NAME", "Portal"));
        click(*main, "btnStartMonitoring");
        const int running = main->ProjectMonitor()->CurrentWorkID();
        auto other = fixture.db().openAnother();
        other->exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,COMMENTS,COMPLETED,DAY_START)"
                    " values (2,3,'2009-05-11 08:00:00.000','2009-05-11 09:00:00.000','Erik''s',1,'2009-05-11')");
        other->exec("update PROJECTWORK set COMMENTS = 'from the command line' where ID = ?", {running});
        click(*main, "mnuRefresh");
        QTRY_COMPARE(main->ProjectWorkData()->recordCount(), 2);
        QVERIFY(main->ProjectMonitor()->Monitoring());
        if (!typed.isEmpty())
            main->Lookup("edtComment")->as<QLineEdit>()->setText(typed);
        click(*main, "btnStopMonitoring");
        QCOMPARE(fixture.db().scalar("select COMMENTS from PROJECTWORK where ID = ?", {running}).toString(), stored);
    }

    // A long project shows its newest rows first; scrolling down reads
    // older ones until the oldest is there.
    void scrollingReachesTheOldestInterval()
    {
        MainWindowFixture fixture;
        fixture.db().exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 2500) "
                          "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                          "select 1, 1 + i % 3, '2009-05-11 08:00:00.000', '2009-05-11 09:00:00.000', 1, 1 from n");
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (2,1,1)");
        auto main = start();
        signIn(*main, "admin", "secret");
        MemTable* rows = main->ProjectWorkData();
        const int id = rows->fieldIndex("ID");
        QCOMPARE(rows->recordCount(), main->WorkRowLoader()->firstPacketSize());
        QCOMPARE(rows->valueAt(0, id).toInt(), 2500);
        auto* grid = main->Lookup("ProjectWorkGrid")->as<DbGrid>();
        for (int tries = 0; tries < 100 && rows->recordCount() < 2500; ++tries) {
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
        }
        QCOMPARE(rows->recordCount(), 2500);
        QCOMPARE(rows->valueAt(2499, id).toInt(), 1);
        QVERIFY(!rows->canFetchMore());
        for (int row = 1; row < rows->recordCount(); ++row)
            QVERIFY(rows->valueAt(row, id).toInt() < rows->valueAt(row - 1, id).toInt());
        QCOMPARE(grid->model()->rowCount(), 2500);
    }

    void elapsedText_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 s") << at("2009-05-11 08:00:00") << at("2009-05-11 08:00:05") << "00:00:05";
        QTest::newRow("25 h") << at("2009-05-11 08:00:00") << at("2009-05-12 09:00:00") << "25:00:00";
        QTest::newRow("100 h") << at("2009-05-11 08:00:00") << at("2009-05-15 12:01:02") << "100:01:02";
        QTest::newRow("clock behind") << at("2009-05-11 08:00:00") << at("2009-05-11 07:00:00") << "00:00:00";
    }
    void elapsedText()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QString, text);
        QCOMPARE(TdmMain::elapsedText(from, to), text);
    }

    void daySerials_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<double>("serial");
        QTest::newRow("epoch") << at("1899-12-30 00:00:00") << 0.0;
        QTest::newRow("noon 2009-05-11") << at("2009-05-11 12:00:00") << 39944.5;
        QTest::newRow("six in the morning") << at("2009-05-11 06:00:00") << 39944.25;
    }
    void daySerials()
    {
        QFETCH(QDateTime, moment);
        QFETCH(double, serial);
        QCOMPARE(TdmMain::toDaySerial(moment), serial);
        QCOMPARE(TdmMain::fromDaySerial(serial), moment);
    }

    void statementsPerKind()
    {
        QVERIFY(Dialect::workRowsStatement(0).contains(",DEV.LASTNAME || ' ' || DEV.NAME as DEVELOPER_NAME\r"));
        QVERIFY(Dialect::workRowsStatement(0).contains("(PROJECTWORK PW)\r"));
        QVERIFY(Dialect::workRowsStatement(1).contains(",DEV.LASTNAME + ' ' + DEV.NAME as DEVELOPER_NAME\r"));
        QVERIFY(Dialect::workRowsStatement(1).endsWith(
            " from\r PROJECTWORK PW\rleft join PROJECTS    P   on P.ID   = PW.PROJECT_ID\r"
            "left join DEVELOPERS  DEV on DEV.ID = PW.DEVELOPER_ID\rleft join CUSTOMER    CUS on CUS.ID = P.CUSTOMER_ID"));
        QVERIFY(TdmMain::developerProjectsStatement(7).endsWith("where DP.DEVELOPER_ID  = 7"));
        // One project's rows: the same select list and joins, a page at a time.
        const QString local = Dialect::workRowsOfProjectStatement(0, 5, 900, 200);
        QVERIFY(local.startsWith(Dialect::workRowsStatement(0)));
        QVERIFY(Dialect::workRowsOfProjectStatement(0, 5, 0, 200).endsWith(
            "\rwhere PW.PROJECT_ID = 5\rorder by PW.ID desc\rlimit 200"));
        QVERIFY(local.endsWith("\rwhere PW.PROJECT_ID = 5 and PW.ID < 900\rorder by PW.ID desc\rlimit 200"));
        const QString server = Dialect::workRowsOfProjectStatement(1, 5, 900, 200);
        QVERIFY(server.startsWith(" select top 200\r PW.ID\r"));
        QVERIFY(server.endsWith("CUS.ID = P.CUSTOMER_ID\rwhere PW.PROJECT_ID = 5 and PW.ID < 900\rorder by PW.ID desc"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
