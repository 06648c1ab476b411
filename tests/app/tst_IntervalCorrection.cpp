// The main window's Comment field, Edit Interval, Delete Interval and the
// question about an interval left running at sign-in.
#include "app/mm_main.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_QVTimer.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_EditInterval.h"
#include "modules/f_ForgottenStop.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "support/TestTimes.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
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

#include <functional>

namespace {

// Acts on a modal window of the given form class once it is on screen.
template <class Form>
class WhenShown : public QObject
{
public:
    explicit WhenShown(std::function<void(Form*)> act)
        : m_act(std::move(act))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* form = qobject_cast<Form*>(widget);
                if (!form || !form->isVisible())
                    continue;
                m_timer.stop();
                ++shown;
                m_act(form);
                return;
            }
        });
        m_timer.start(5);
    }
    int shown = 0;

private:
    std::function<void(Form*)> m_act;
    QTimer m_timer;
};

void setMoment(QWidget* form, const char* dateName, const char* timeName, const QDateTime& moment)
{
    form->findChild<DateTimePicker*>(QString::fromLatin1(dateName))->setDateTime(moment);
    form->findChild<DateTimePicker*>(QString::fromLatin1(timeName))->setDateTime(moment);
}

const QString TenThousand = QString(10000, QLatin1Char('w'));

} // namespace

class TestIntervalCorrection : public QObject
{
    Q_OBJECT

    TdmMain::Ptr<TdmMain> signIn(const QString& user, const QString& password)
    {
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        ::signIn(*main, user, password);
        return main;
    }
    static QLineEdit* commentField(TdmMain& main) { return main.Lookup("edtComment")->as<QLineEdit>(); }
    static DbGrid* workGrid(TdmMain& main) { return main.Lookup("ProjectWorkGrid")->as<DbGrid>(); }
    static bool enabled(TdmMain& main, const char* name)
    {
        return main.Lookup(QString::fromLatin1(name))->AsToolButton()->isEnabled();
    }
    // Selects the project and the interval in the work grid, as a click would.
    static void selectInterval(TdmMain& main, const QString& project, int id)
    {
        QVERIFY(main.ProjectsQuery()->locate("PROJECT_NAME", project));
        QVERIFY(main.ProjectWorkData()->locate("ID", id));
        // Keys reach the grid as they do for a user: in the active window, with the focus.
        main.ModuleForm()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.ModuleForm()));
        workGrid(main)->setFocus();
    }
    static QString stored(MainWindowFixture& fixture, const char* column, int id)
    {
        return fixture.db()
            .scalar(QStringLiteral("select %1 from PROJECTWORK where ID = :ID").arg(QLatin1String(column)), {id})
            .toString();
    }

private slots:
    void init()
    {
        MainWindowFixture::beforeWindowTest();
    }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void hostileComments_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::newRow("quotes") << "it's \"done\"'); delete from PROJECTWORK; --";
        QTest::newRow("10,000 characters") << TenThousand;
        QTest::newRow("non-Latin") << QStringLiteral("Überprüfung 検証 проверка ✓");
    }

    void commentGoesInAtStartAndAgainAtStop_data() { hostileComments_data(); }
    void commentGoesInAtStartAndAgainAtStop()
    {
        QFETCH(QString, comment);
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = signIn("chidi", "pw");
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        commentField(*main)->setText(comment);
        main->Lookup("btnStartMonitoring")->AsToolButton()->click();
        const int id = main->ProjectMonitor()->CurrentWorkID();
        QCOMPARE(stored(fixture, "COMMENTS", id), comment);

        // Written while the clock runs; Stop writes it.
        commentField(*main)->setText(comment + QStringLiteral(" (and tests)"));
        Clock::advance(3600 * 1000);
        main->Lookup("btnStopMonitoring")->AsToolButton()->click();
        QCOMPARE(stored(fixture, "COMMENTS", id), comment + QStringLiteral(" (and tests)"));
        // The next interval starts without it; the grid shows it.
        QCOMPARE(commentField(*main)->text(), QString());
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        QVERIFY(main->ProjectWorkData()->locate("ID", id));
        QCOMPARE(main->ProjectWorkData()->value("COMMENTS").toString(), comment + QStringLiteral(" (and tests)"));
    }

    void resumedIntervalKeepsItsComment_data()
    {
        hostileComments_data();
        QTest::newRow("line breaks") << "first line\nsecond line\r\nthird";
    }
    void resumedIntervalKeepsItsComment()
    {
        QFETCH(QString, comment);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) values "
                          "(2,2,'2009-05-11 08:00:00.000',:C,'2009-05-11')",
                          {comment});
        Clock::setNow(at("2009-05-11 09:00:00"));
        auto main = signIn("chidi", "pw");
        QVERIFY(main->ProjectMonitor()->Monitoring());
        main->Lookup("btnStopMonitoring")->AsToolButton()->click();
        QCOMPARE(stored(fixture, "COMPLETED", 1), "1");
        QCOMPARE(stored(fixture, "COMMENTS", 1), comment);
    }

    void editFromTheGrid_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("Actions menu") << "menu";
    }
    void editFromTheGrid()
    {
        QFETCH(QString, how);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END,COMMENTS) values "
                          "(2,2,'2009-05-11 22:00:00.000','2009-05-11 23:00:00.000',1,1,'2009-05-11','2009-05-11','old')");
        // Recorded time goes on unfinished projects.
        fixture.db().exec("update PROJECTS set IS_FINISHED = 0 where DESCRIPTION = 'Inventory'");
        Clock::setNow(at("2009-05-20 09:00:00"));
        auto main = signIn("chidi", "pw");
        selectInterval(*main, "Portal", 1);

        QStringList projects;
        WhenShown<TFrmEditInterval> edit([&](TFrmEditInterval* form) {
            auto* combo = form->findChild<QComboBox*>("cboProject");
            for (int i = 0; i < combo->count(); ++i)
                projects << combo->itemText(i);
            QCOMPARE(form->findChild<QLineEdit*>("edtComment")->text(), QStringLiteral("old"));
            combo->setCurrentIndex(combo->findText("Inventory"));
            setMoment(form, "dtStartDate", "dtStartTime", at("2009-05-11 22:00:00"));
            setMoment(form, "dtStopDate", "dtStopTime", at("2009-05-12 01:15:30"));
            form->findChild<QLineEdit*>("edtComment")->setText(QStringLiteral("fixed \"it\""));
            form->findChild<QPushButton*>("btnOk")->click();
        });
        if (how == "Enter") {
            QTest::keyClick(workGrid(*main), Qt::Key_Return);
        } else if (how == "double-click") {
            DbGrid* grid = workGrid(*main);
            const QRect cell = grid->visualRect(grid->model()->index(grid->currentIndex().row(), 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        } else {
            main->Lookup("mnuEditInterval")->AsAction()->trigger();
        }
        QCOMPARE(edit.shown, 1);
        QCOMPARE(projects, QStringList({"Inventory", "Portal"}));
        QCOMPARE(stored(fixture, "PROJECT_ID", 1), "3");
        QCOMPARE(stored(fixture, "TIME_SPEND", 1).toDouble(), 3.25);
        QCOMPARE(stored(fixture, "DAY_START", 1), "2009-05-11");
        QCOMPARE(stored(fixture, "DAY_END", 1), "2009-05-12");
        QCOMPARE(stored(fixture, "TIME_END", 1), "2009-05-12 01:15:30.000");
        QCOMPARE(stored(fixture, "COMMENTS", 1), "fixed \"it\"");
        // The window shows the corrected row where it now belongs.
        QCOMPARE(main->ProjectsQuery()->value("PROJECT_NAME").toString(), "Inventory");
        QCOMPARE(main->ProjectWorkData()->value("ID").toInt(), 1);
        QCOMPARE(main->ProjectWorkData()->value("TIME_SPEND").toDouble(), 3.25);
    }

    void overlapIsAskedBeforeWriting()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END) values "
                          "(2,2,'2009-05-11 08:00:00.000','2009-05-11 09:00:00.000',1,1,'2009-05-11','2009-05-11'),"
                          "(3,2,'2009-05-11 10:00:00.000','2009-05-11 12:00:00.000',2,1,'2009-05-11','2009-05-11')");
        Clock::setNow(at("2009-05-20 09:00:00"));
        auto main = signIn("chidi", "pw");
        selectInterval(*main, "Portal", 1);
        MessageService::queueAnswer(QMessageBox::No);
        MessageService::queueAnswer(QMessageBox::Yes);
        QString endAfterNo;
        WhenShown<TFrmEditInterval> edit([&](TFrmEditInterval* form) {
            setMoment(form, "dtStopDate", "dtStopTime", at("2009-05-11 10:30:00"));
            form->findChild<QPushButton*>("btnOk")->click(); // No: nothing written, the window stays
            endAfterNo = stored(fixture, "TIME_END", 1);
            QVERIFY(form->isVisible());
            form->findChild<QPushButton*>("btnOk")->click(); // Yes
        });
        QTest::keyClick(workGrid(*main), Qt::Key_Return);
        QCOMPARE(edit.shown, 1);
        QCOMPARE(endAfterNo, "2009-05-11 09:00:00.000");
        QCOMPARE(stored(fixture, "TIME_END", 1), "2009-05-11 10:30:00.000");
        const auto& shown = MessageService::shownForTests();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.first().text.contains("Inventory, 2009-05-11 10:00 to 12:00 (2:00 h)"),
                 qPrintable(shown.first().text));
    }

    void deleteAfterTheQuestion_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("message");
        QTest::newRow("owner, yes") << "chidi" << "pw" << int(QMessageBox::Yes) << true
                                    << "Delete the interval Portal, 2009-05-11 08:00 to 09:30 (1:30 h)?";
        QTest::newRow("owner, no") << "chidi" << "pw" << int(QMessageBox::No) << false
                                   << "Delete the interval Portal, 2009-05-11 08:00 to 09:30 (1:30 h)?";
        QTest::newRow("administrator") << "admin" << "secret" << int(QMessageBox::Yes) << true
                                       << "Delete the interval Portal, 2009-05-11 08:00 to 09:30 (1:30 h)?";
        QTest::newRow("another user") << "erik" << "pw" << int(QMessageBox::Yes) << false
                                      << "only an administrator";
    }
    void deleteAfterTheQuestion()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        QFETCH(QString, message);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END) values "
                          "(2,2,'2009-05-11 08:00:00.000','2009-05-11 09:30:00.000',1.5,1,'2009-05-11','2009-05-11')");
        // Erik may see Portal, not change Chidi's time on it.
        fixture.db().exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (3,2)");
        auto main = signIn(user, password);
        selectInterval(*main, "Portal", 1);
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        QTest::keyClick(workGrid(*main), Qt::Key_Delete);
        QCOMPARE(fixture.db().count("PROJECTWORK"), deleted ? 0 : 1);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(MessageService::shownForTests().first().text.contains(message),
                 qPrintable(MessageService::shownForTests().first().text));
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        QCOMPARE(main->ProjectWorkData()->recordCount(), deleted ? 0 : 1);
    }

    void deletingTheRunningIntervalStopsTheDisplay()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 08:00:00"));
        auto main = signIn("chidi", "pw");
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        main->Lookup("btnStartMonitoring")->AsToolButton()->click();
        const int id = main->ProjectMonitor()->CurrentWorkID();
        main->RefreshData();
        selectInterval(*main, "Portal", id);
        MessageService::queueAnswer(QMessageBox::Yes);
        main->Lookup("mnuDeleteInterval")->AsAction()->trigger();
        QCOMPARE(fixture.db().count("PROJECTWORK"), 0);
        QVERIFY(MessageService::shownForTests().first().text.contains("monitoring stops"));
        QVERIFY(!main->ProjectMonitor()->Monitoring());
        QVERIFY(enabled(*main, "btnStartMonitoring"));
        QVERIFY(!enabled(*main, "btnStopMonitoring"));
        QVERIFY(!main->Lookup("TimeElapsedTimer")->AsTimer()->Enabled());
        QCOMPARE(main->Lookup("lblTimeElapsed")->AsLabel()->text(), QString());
    }

    void editingTheRunningIntervalMovesItsStart()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2009-05-11 10:00:00"));
        auto main = signIn("chidi", "pw");
        main->ProjectsQuery()->locate("PROJECT_NAME", "Portal");
        main->Lookup("btnStartMonitoring")->AsToolButton()->click();
        const int id = main->ProjectMonitor()->CurrentWorkID();
        main->RefreshData();
        selectInterval(*main, "Portal", id);
        bool stopLocked = false;
        WhenShown<TFrmEditInterval> edit([&](TFrmEditInterval* form) {
            stopLocked = !form->findChild<DateTimePicker*>("dtStopDate")->isEnabled()
                         && !form->findChild<QComboBox*>("cboProject")->isEnabled();
            setMoment(form, "dtStartDate", "dtStartTime", at("2009-05-11 09:00:00"));
            form->findChild<QLineEdit*>("edtComment")->setText("since nine");
            form->findChild<QPushButton*>("btnOk")->click();
        });
        main->Lookup("mnuEditInterval")->AsAction()->trigger();
        QVERIFY(stopLocked);
        QVERIFY(main->ProjectMonitor()->Monitoring());
        QCOMPARE(main->Lookup("lblTimeElapsed")->AsLabel()->text(), "Time Elapsed :01:00:00");
        QCOMPARE(commentField(*main)->text(), "since nine");
        Clock::setNow(at("2009-05-11 11:00:00"));
        main->Lookup("btnStopMonitoring")->AsToolButton()->click();
        QCOMPARE(stored(fixture, "TIME_SPEND", id).toDouble(), 2.0);
        QCOMPARE(stored(fixture, "COMMENTS", id), "since nine");
    }

    void forgottenStopAtSignIn_data()
    {
        QTest::addColumn<QString>("limit"); // empty: not in the options
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("button"); // empty: no question expected
        QTest::addColumn<QString>("end");    // empty: still running
        QTest::addColumn<double>("hours");
        QTest::newRow("default limit, stopped at start plus ten hours")
            << "" << "2009-05-12 00:00:00" << "btnStopAt" << "2009-05-11 18:00:00.000" << 10.0;
        QTest::newRow("kept running") << "" << "2009-05-12 00:00:00" << "btnKeepRunning" << "" << 0.0;
        QTest::newRow("under the limit") << "" << "2009-05-11 17:59:00" << "" << "" << 0.0;
        QTest::newRow("limit 0 never asks") << "0" << "2009-05-13 08:00:00" << "" << "" << 0.0;
        QTest::newRow("limit of four hours") << "4" << "2009-05-11 12:30:00" << "btnStopAt"
                                             << "2009-05-11 12:00:00.000" << 4.0;
    }
    void forgottenStopAtSignIn()
    {
        QFETCH(QString, limit);
        QFETCH(QString, now);
        QFETCH(QString, button);
        QFETCH(QString, end);
        QFETCH(double, hours);
        MainWindowFixture fixture;
        if (!limit.isEmpty())
            GetOptionsManager()->WriteValue(Options::ProjectsSection, Options::LongIntervalHours, limit);
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) values "
                          "(2,2,'2009-05-11 08:00:00.000','forgot','2009-05-11')");
        Clock::setNow(QDateTime::fromString(now, "yyyy-MM-dd HH:mm:ss"));
        QString question;
        WhenShown<TFrmForgottenStop> ask([&](TFrmForgottenStop* form) {
            question = form->findChild<QLabel*>("lblQuestion")->text();
            form->findChild<QPushButton*>(button)->click();
        });
        auto main = signIn("chidi", "pw");
        QCOMPARE(ask.shown, button.isEmpty() ? 0 : 1);
        if (!button.isEmpty())
            QVERIFY2(question.contains("Portal"), qPrintable(question));
        QCOMPARE(main->ProjectMonitor()->Monitoring(), end.isEmpty());
        QCOMPARE(enabled(*main, "btnStopMonitoring"), end.isEmpty());
        QCOMPARE(stored(fixture, "TIME_END", 1), end);
        if (!end.isEmpty()) {
            QCOMPARE(stored(fixture, "TIME_SPEND", 1).toDouble(), hours);
            QCOMPARE(stored(fixture, "COMMENTS", 1), "forgot");
        }
    }
};

QTEST_MAIN(TestIntervalCorrection)
#include "tst_IntervalCorrection.moc"
