#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/TrayIcon.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_QVTimer.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Settings.h"
#include "support/FakeIdleSource.h"
#include "support/MainWindowFixture.h"
#include "components/o_IdleWatch.h"
#include "toolkit/IdleSource.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Types into the sign-in form once it is on screen (inside its modal loop)
// and presses Login, once per pair given; then, if asked, Quit.
class LoginDriver : public QObject
{
public:
    LoginDriver(TdmMain& main, QList<QPair<QString, QString>> pairs, bool quitAtEnd = false)
        : m_main(main)
        , m_pairs(std::move(pairs))
        , m_quit(quitAtEnd)
    {
        connect(&m_timer, &QTimer::timeout, this, &LoginDriver::step);
        m_timer.start(5);
    }
    int presses = 0;

private:
    void step()
    {
        TFrmLogin* form = m_main.loginDialog()->form();
        if (!form || !form->isVisible())
            return;
        if (!m_pairs.isEmpty()) {
            const auto pair = m_pairs.takeFirst();
            form->UserCombo->setEditText(pair.first);
            form->PassTxt->setText(pair.second);
            ++presses;
            form->LoginBtn->click();
            return;
        }
        if (m_quit)
            form->CancelBtn->click();
        m_timer.stop();
    }
    TdmMain& m_main;
    QList<QPair<QString, QString>> m_pairs;
    bool m_quit;
    QTimer m_timer;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    int m_terminations = 0;

    TdmMain::Ptr<TdmMain> start()
    {
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        return main;
    }

    void signIn(TdmMain& main, const QString& user, const QString& password)
    {
        LoginDriver driver(main, {{user, password}});
        QTRY_VERIFY_WITH_TIMEOUT(!main.loginDialog()->IsFirstAppRun, 5000);
        QTRY_VERIFY(!main.loginDialog()->form()->isVisible());
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
                 QStringLiteral("Wrong username or password.Please enter again."));
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
        QCOMPARE(text(*main, "lblTimeElapsed"), QStringLiteral("Time Elapsed :25:00:00"));

        QSqlQuery row = fixture.db().connection().exec(
            "select PROJECT_ID,DEVELOPER_ID,TIME_END,TIME_SPEND,COMPLETED,DAY_END from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toInt(), 3);
        QCOMPARE(row.value(1).toInt(), 2);
        QCOMPARE(row.value(2).toString(), QStringLiteral("2009-05-12 00:30:30.000"));
        QCOMPARE(row.value(3).toDouble(), 1.0);
        QCOMPARE(row.value(4).toInt(), 1);
        QCOMPARE(row.value(5).toString(), QStringLiteral("2009-05-12"));
        // After the refresh the list is back on its first project, whose rows show.
        QCOMPARE(main->ProjectsQuery()->recNo(), 0);
        main->ProjectsQuery()->locate("PROJECT_NAME", "Inventory");
        QCOMPARE(main->ProjectWorkData()->recordCount(), 1);
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
    }

    void startWithoutProjectsShowsNothingOrTheNotice()
    {
        MainWindowFixture fixture;
        auto main = start();
        signIn(*main, "erik", "pw"); // no assigned projects
        click(*main, "btnStartMonitoring");
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(MessageService::shownForTests().isEmpty());
    }

    void refusedStartStaysIdleAndShowsTheReason()
    {
        MainWindowFixture fixture;
        fixture.db().exec("create trigger refuse before insert on PROJECTWORK begin select raise(abort, 'disk says no'); end");
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
        fixture.db().exec("create trigger refuse before update on PROJECTWORK begin select raise(abort, 'locked up'); end");
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

    void closeHidesAndRestoreBringsBack()
    {
        MainWindowFixture fixture;
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        QWidget* form = main->ModuleForm();
        form->close(); // the close box
        QVERIFY(form->isMinimized());
        click(*main, "mnuPopRestore");
        QVERIFY(!form->isMinimized());
        click(*main, "mnuClose"); // Ctrl+Q
        QVERIFY(form->isMinimized());
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QCOMPARE(m_terminations, 0);
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
        QVERIFY(!main->Lookup("CurrentProject")->AsLabel()->isVisible());
    }

    // No input for longer than IdleMinutes while monitoring: the user is
    // asked on return. Keep leaves the interval running; Discard ends it when
    // input stopped; Stop ends it now.
    void timeAway_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stillMonitoring");
        QTest::addColumn<double>("hours");
        QTest::newRow("keep") << int(QMessageBox::Yes) << true << -1.0;
        QTest::newRow("discard") << int(QMessageBox::No) << false << 0.5;
        QTest::newRow("stop") << int(QMessageBox::Cancel) << false << 1.25;
    }
    void timeAway()
    {
        QFETCH(int, answer);
        QFETCH(bool, stillMonitoring);
        QFETCH(double, hours);
        MainWindowFixture fixture;
        GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::IdleMinutes, 15);
        IdleSource::setFactoryForTests(&FakeIdleSource::make);
        auto restore = qScopeGuard([] { IdleSource::setFactoryForTests(nullptr); });
        FakeIdleSource::idle = 0;
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = start();
        signIn(*main, "admin", "secret");
        click(*main, "btnStartMonitoring");
        auto tick = [&] { main->Lookup("TimeElapsedTimer")->AsTimer()->OnTimer(nullptr); };
        // Ticks every minute; no input from 08:30 until 09:15.
        const QDateTime lastInput = at("2009-05-11 08:30:00");
        for (QDateTime now = at("2009-05-11 08:01:00"); now < at("2009-05-11 09:15:00"); now = now.addSecs(60)) {
            Clock::setNow(now);
            FakeIdleSource::idle = now > lastInput ? lastInput.msecsTo(now) : 0;
            tick();
        }
        QVERIFY(MessageService::shownForTests().isEmpty());
        Clock::setNow(at("2009-05-11 09:15:00"));
        FakeIdleSource::idle = 0;
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
        QVERIFY(TdmMain::projectWorkStatement(0).contains(",DEV.LASTNAME || ' ' || DEV.NAME as DEVELOPER_NAME\r"));
        QVERIFY(TdmMain::projectWorkStatement(0).contains("(PROJECTWORK PW)\r"));
        QVERIFY(TdmMain::projectWorkStatement(1).contains(",DEV.LASTNAME + ' ' + DEV.NAME as DEVELOPER_NAME\r"));
        QVERIFY(TdmMain::projectWorkStatement(1).endsWith(
            " from\r PROJECTWORK PW\rleft join PROJECTS    P   on P.ID   = PW.PROJECT_ID\r"
            "left join DEVELOPERS  DEV on DEV.ID = PW.DEVELOPER_ID\rleft join CUSTOMER    CUS on CUS.ID = P.CUSTOMER_ID"));
        QVERIFY(TdmMain::developerProjectsStatement(7).endsWith("where DP.DEVELOPER_ID  = 7"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
