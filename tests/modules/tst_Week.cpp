#include "components/o_DurationText.h"
#include "components/o_HandEntries.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_ReportTotals.h"
#include "components/o_Schema.h"
#include "components/o_WeekModel.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Reports.h"
#include "modules/f_Week.h"
#include "modules/mc_Reports.h"
#include "modules/mc_Week.h"
#include "support/MainWindowFixture.h"
#include "support/TestMain.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbLookupComboBox.h"
#include "toolkit/MessageService.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

// Intervals are written "Portal Wed 09:00 Wed 10:30 hand" (or "recorded")
// and "Billing Fri 08:00 running", on the days of 2026-W20 (Monday 11 May);
// "pMon" is the Monday before. Developer 2, Okafor Chidi, has Portal and
// Inventory; Billing is not his.
class TestWeek : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> m_fixture;
    std::unique_ptr<TestMain> m_main;
    const QStringList m_days{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const QStringList m_projects{"", "Billing", "Portal", "Inventory"};

    TestDatabase& db() { return m_fixture->db(); }
    QDate day(const QString& name) const
    {
        const bool before = name.startsWith('p');
        return QDate(2026, 5, 11).addDays(m_days.indexOf(before ? name.mid(1) : name) - (before ? 7 : 0));
    }
    QString dayName(const QDate& date) const
    {
        const qint64 offset = QDate(2026, 5, 11).daysTo(date);
        return (offset < 0 ? "p" : "") + m_days.at(int((offset + 7) % 7));
    }
    void add(const QString& intervals, int developer = 2)
    {
        for (const QString& spec : intervals.split(';', Qt::SkipEmptyParts)) {
            const QStringList t = spec.split(' ');
            const QDateTime start(day(t[1]), QTime::fromString(t[2], "HH:mm"));
            if (t[3] == "running") {
                db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) "
                          "values (?,?,?,'',?)",
                          {m_projects.indexOf(t[0]), developer, start, start.date()});
                continue;
            }
            const QDateTime end(day(t[3]), QTime::fromString(t[4], "HH:mm"));
            db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                      "DAY_START,DAY_END,COMMENTS,HAND_ENTRY) values (?,?,?,?,?,1,?,?,'',?)",
                      {m_projects.indexOf(t[0]), developer, start, end, TqvProjectMonitor::TimeSpendBetween(start, end),
                       start.date(), end.date(), t[5] == "hand" ? 1 : 0});
        }
    }
    // The developer's intervals as add() takes them, in the order they start.
    QString stored(int developer = 2)
    {
        QSqlQuery query = db().connection().exec(
            "select PROJECT_ID, TIME_START, TIME_END, COMPLETED, HAND_ENTRY from PROJECTWORK where DEVELOPER_ID = ? "
            "order by TIME_START, ID",
            {developer});
        QStringList specs;
        while (query.next()) {
            const QDateTime start = DbConnection::parseDateTime(query.value(1));
            QString spec = m_projects.at(query.value(0).toInt()) + ' ' + dayName(start.date()) + ' '
                           + start.toString("HH:mm");
            const QDateTime end = DbConnection::parseDateTime(query.value(2));
            if (query.value(3).toInt() == 0)
                spec += " running";
            else
                spec += ' ' + dayName(end.date()) + ' ' + end.toString("HH:mm")
                        + (query.value(4).toInt() == 1 ? " hand" : " recorded");
            specs << spec;
        }
        return specs.join(';');
    }

    TCustomModule::Ptr<TdmWeek> openWeek(int developer = 2, bool admin = false)
    {
        auto module = TCustomModule::Create<TdmWeek, TFrmWeek>();
        module->User = {developer, admin};
        module->Execute(false);
        return module;
    }
    // A cell ("Portal Wed") as the grid's editor hands it over.
    static QModelIndex cell(TdmWeek& week, const QString& name)
    {
        const QStringList parts = name.split(' ');
        const int project = QStringList{"", "Billing", "Portal", "Inventory"}.indexOf(parts[0]);
        const int day = QStringList{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}.indexOf(parts[1]);
        week.Model()->addProject(project, parts[0]);
        return week.Model()->cellIndex(project, day);
    }
    static QString message(TdmWeek& week) { return week.Lookup("lblMessage")->AsLabel()->text(); }

    // What Project Reports finds for a developer and the week's days,
    // completed intervals, as its window searches.
    TReportTotals reportTotals(const QString& developer)
    {
        auto reports = TCustomModule::Create<TdmReports, TFrmReports>();
        reports->DatabaseKind = TestDatabase::kind();
        reports->Execute(false);
        auto* combo = reports->Lookup("DBLookupComboBox1")->as<DbLookupComboBox>();
        combo->setCurrentIndex(combo->findText(developer));
        emit combo->activated(combo->currentIndex());
        for (const auto& [picker, date] : {std::pair{"dtDateStart", day("Mon")}, std::pair{"dtDateStop", day("Sun")}}) {
            reports->Lookup(picker)->as<DateTimePicker>()->setChecked(true);
            reports->Lookup(picker)->as<DateTimePicker>()->setDateTime(QDateTime(date, QTime(12, 0)));
        }
        reports->Lookup("btnSearch")->as<QPushButton>()->click();
        return reports->Totals();
    }
    // The grid's sums equal the report's: by project, by day and in all.
    void compareWithReports(const TWeekSheet& sheet, const QString& developer)
    {
        const TReportTotals totals = reportTotals(developer);
        QMap<QString, qint64> reported, shown;
        for (const TReportGroup& group : totals.ByProject)
            reported[group.name] = group.minutes;
        for (const TWeekRow& row : sheet.Rows)
            if (row.minutes() > 0)
                shown[row.projectName] = row.minutes();
        QCOMPARE(shown, reported);
        QCOMPARE(sheet.minutes(), totals.Minutes);
        for (const TReportBucket& bucket : totals.Buckets)
            QCOMPARE(sheet.dayMinutes(sheet.Week.indexOf(bucket.first)), bucket.minutes);
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<MainWindowFixture>();
        // Time is entered on unfinished projects; the fixture's Inventory is finished.
        db().exec("update PROJECTS set IS_FINISHED = 0 where DESCRIPTION = 'Inventory'");
        m_main = std::make_unique<TestMain>(db(), TestDatabase::kind());
        Clock::setNow(at("2026-05-13 12:00:00"));
    }
    void cleanup()
    {
        Clock::reset();
        m_main.reset();
        m_fixture.reset();
    }

    void typingACell_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after"); // "=" for unchanged
        QTest::addColumn<QString>("refusal");
        const QString hand = "Portal Wed 09:00 Wed 10:00 hand;Portal Wed 13:00 Wed 14:00 hand";
        const QString mixed = "Portal Wed 08:00 Wed 10:00 recorded;Portal Wed 13:00 Wed 14:00 hand";
        QTest::newRow("h:mm, at the working day's start") << "" << "Portal Wed" << "1:30"
                                                          << "Portal Wed 09:00 Wed 10:30 hand" << "";
        QTest::newRow("decimal hours") << "" << "Portal Wed" << "1.5" << "Portal Wed 09:00 Wed 10:30 hand" << "";
        QTest::newRow("minutes") << "" << "Portal Wed" << "90m" << "Portal Wed 09:00 Wed 10:30 hand" << "";
        QTest::newRow("hours") << "" << "Portal Wed" << "2h" << "Portal Wed 09:00 Wed 11:00 hand" << "";
        QTest::newRow("after the day's last interval, of any project")
            << "Billing Wed 08:00 Wed 12:15 recorded" << "Portal Wed" << "1:00"
            << "Billing Wed 08:00 Wed 12:15 recorded;Portal Wed 12:15 Wed 13:15 hand" << "";
        QTest::newRow("after one from the night before")
            << "Billing Tue 22:00 Wed 09:30 recorded" << "Portal Wed" << "1:00"
            << "Billing Tue 22:00 Wed 09:30 recorded;Portal Wed 09:30 Wed 10:30 hand" << "";
        QTest::newRow("grows its newest hand entry") << "Portal Wed 09:00 Wed 10:00 hand" << "Portal Wed" << "2:30"
                                                     << "Portal Wed 09:00 Wed 11:30 hand" << "";
        QTest::newRow("adds after another project's interval")
            << "Portal Wed 09:00 Wed 10:00 hand;Billing Wed 10:00 Wed 11:00 recorded" << "Portal Wed" << "2:00"
            << "Portal Wed 09:00 Wed 10:00 hand;Billing Wed 10:00 Wed 11:00 recorded;Portal Wed 11:00 Wed 12:00 hand"
            << "";
        QTest::newRow("shortens the newest first") << hand << "Portal Wed" << "1:30"
                                                   << "Portal Wed 09:00 Wed 10:00 hand;Portal Wed 13:00 Wed 13:30 hand"
                                                   << "";
        QTest::newRow("removes, then shortens") << hand << "Portal Wed" << "0:45" << "Portal Wed 09:00 Wed 09:45 hand"
                                                << "";
        QTest::newRow("clears the day only") << hand + ";Portal Thu 09:00 Thu 10:00 hand" << "Portal Wed" << ""
                                             << "Portal Thu 09:00 Thu 10:00 hand" << "";
        QTest::newRow("takes hand time beside recorded") << mixed << "Portal Wed" << "2:30"
                                                         << "Portal Wed 08:00 Wed 10:00 recorded;Portal Wed 13:00 Wed "
                                                            "13:30 hand"
                                                         << "";
        QTest::newRow("recorded time stays") << mixed << "Portal Wed" << "1:00" << "=" << "Edit Interval";
        QTest::newRow("a running interval that day") << "Billing Wed 11:00 running" << "Portal Wed" << "1:00" << "="
                                                     << "still running";
        QTest::newRow("would overlap the next day's")
            << "Billing Wed 09:00 Wed 23:30 recorded;Billing Thu 00:10 Thu 02:00 recorded" << "Portal Wed" << "1:00"
            << "=" << "would overlap";
        QTest::newRow("not the user's project") << "" << "Billing Wed" << "1:00" << "=" << "not among your projects";
        QTest::newRow("no time") << "" << "Portal Wed" << "1;30" << "=" << "is no time";
        QTest::newRow("more than a day") << "" << "Portal Wed" << "25:00" << "=" << "at most 24:00";
    }
    void typingACell()
    {
        QFETCH(QString, before);
        QFETCH(QString, cell);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(QString, refusal);
        add(before);
        auto week = openWeek();
        const QModelIndex index = TestWeek::cell(*week, cell);
        QCOMPARE(week->Model()->setData(index, typed), refusal.isEmpty());
        QCOMPARE(stored(), after == "=" ? before : after);
        QVERIFY(!db().connection().inTransaction());
        if (refusal.isEmpty()) {
            // The grid shows the day as typed, read back from the database.
            const qint64 minutes = *DurationText::minutes(typed);
            QCOMPARE(TestWeek::cell(*week, cell).data().toString(), minutes ? TReportTotals::hoursText(minutes) : "");
            return;
        }
        QVERIFY2(message(*week).contains(refusal), qPrintable(message(*week)));
        QVERIFY(week->Model()->data(index, Qt::ToolTipRole).toString().contains(refusal));
    }

    // Across midnight, a running interval, hand entries, other weeks and
    // another developer: the grid adds up what Project Reports does.
    void totalsEqualProjectReports_data()
    {
        QTest::addColumn<int>("developer");
        QTest::addColumn<QString>("name");
        QTest::newRow("Okafor Chidi") << 2 << "Okafor Chidi";
        QTest::newRow("Berg Anna") << 1 << "Berg Anna";
    }
    void totalsEqualProjectReports()
    {
        QFETCH(int, developer);
        QFETCH(QString, name);
        Clock::setNow(at("2026-05-15 12:00:00"));
        add("Portal Mon 09:00 Mon 12:00 recorded;Inventory Mon 13:00 Mon 14:20 hand;Portal Tue 22:00 Wed 01:30 recorded;"
            "Inventory Fri 08:00 running;Billing Sat 10:00 Sat 11:05 recorded;Portal pSun 20:00 pSun 22:00 recorded");
        add("Portal Wed 09:00 Wed 17:00 recorded;Billing Thu 23:00 Fri 00:45 hand;Billing Fri 09:00 running", 1);
        auto week = openWeek(developer, true);
        QCOMPARE(week->DeveloperId(), developer);
        compareWithReports(week->Sheet(), name);
        QVERIFY(message(*week).contains("still running"));
    }

    // Three projects and five days from the keyboard, and Project Reports
    // shows the same time.
    void keyboardWeekEqualsReports()
    {
        db().exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (2,1)");
        auto week = openWeek();
        QWidget* form = week->ModuleForm();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        const QStringList hours{"4", "3.5", "2:45", "90m", "2h"};
        for (const QString project : {"Portal", "Billing", "Inventory"}) {
            QTest::keyClick(form, Qt::Key_P, Qt::AltModifier);
            QTest::keyClicks(QApplication::focusWidget(), project.left(3));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            for (const QString& time : hours) {
                QTest::keyClicks(QApplication::focusWidget(), time);
                QTest::keyClick(QApplication::focusWidget(), time == hours.last() ? Qt::Key_Return : Qt::Key_Tab);
            }
            QCoreApplication::processEvents(); // the editor takes Return by a posted call
        }
        const QStringList expected{"4:00", "3:30", "2:45", "1:30", "2:00"};
        for (int row = 0; row < 3; ++row)
            for (int day = 0; day < 5; ++day)
                QCOMPARE(week->Model()->index(row, TWeekModel::FirstDayColumn + day).data().toString(), expected[day]);
        QCOMPARE(week->Model()->index(3, TWeekModel::TotalColumn).data().toString(), "41:15");
        QCOMPARE(db().count("PROJECTWORK"), 15);
        compareWithReports(week->Sheet(), "Okafor Chidi");
    }

    void copyLastWeek_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
    }
    void copyLastWeek()
    {
        QFETCH(int, answer);
        const QString before = "Portal pMon 09:00 pMon 11:00 recorded;Portal pTue 09:00 pTue 10:00 hand;"
                               "Billing pWed 09:00 pWed 10:00 recorded;Inventory pThu 09:00 pThu 12:00 recorded;"
                               "Portal Mon 09:00 Mon 09:30 recorded";
        add(before);
        auto week = openWeek();
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        week->Lookup("btnCopyLastWeek")->as<QPushButton>()->click();
        QCOMPARE(MessageService::shownForTests().size(), 1);
        const QString question = MessageService::shownForTests().first().text;
        QVERIFY2(question.contains("adds 4:00 h in 2 cells") && question.contains("not among your projects: Billing"),
                 qPrintable(question));
        QCOMPARE(stored(), answer == QMessageBox::No
                               ? before
                               : before + ";Portal Tue 09:00 Tue 10:00 hand;Inventory Thu 09:00 Thu 12:00 hand");
        QCOMPARE(week->Model()->index(week->Model()->rowCount() - 1, TWeekModel::TotalColumn).data().toString(),
                 answer == QMessageBox::No ? "0:30" : "4:30");
    }

    void onlyAdministratorsOpenAnothersWeek_data()
    {
        QTest::addColumn<int>("developer");
        QTest::addColumn<bool>("admin");
        QTest::newRow("administrator") << 1 << true;
        QTest::newRow("developer") << 2 << false;
    }
    void onlyAdministratorsOpenAnothersWeek()
    {
        QFETCH(int, developer);
        QFETCH(bool, admin);
        auto week = openWeek(developer, admin);
        auto* developers = week->Lookup("cbDeveloper")->AsComboBox();
        QCOMPARE(developers->isVisibleTo(week->ModuleForm()), admin);
        const int other = admin ? 2 : 1;
        if (!admin) {
            QVERIFY_THROWS_EXCEPTION(AppError, week->ShowDeveloper(other));
            QVERIFY_THROWS_EXCEPTION(AppError, THandEntries(db().connection(), TestDatabase::kind())
                                                   .apply({developer, false}, other, {{2, day("Wed"), 60, ""}}));
            QCOMPARE(week->DeveloperId(), developer);
            QCOMPARE(db().count("PROJECTWORK"), 0);
            return;
        }
        developers->setCurrentIndex(developers->findData(other));
        emit developers->activated(developers->currentIndex());
        QCOMPARE(week->DeveloperId(), other);
        QVERIFY(week->ModuleForm()->windowTitle().contains("Okafor Chidi"));
        QVERIFY(week->Model()->setData(cell(*week, "Billing Wed"), "1:00"));
        QCOMPARE(stored(other), "Billing Wed 09:00 Wed 10:00 hand");
    }

    // A database made before the hand-entry mark shows its weeks and takes
    // no change until it is upgraded; the upgrade keeps every row recorded.
    void databaseWithoutTheMark()
    {
        add("Portal Wed 09:00 Wed 10:00 recorded");
        db().exec("alter table PROJECTWORK drop column HAND_ENTRY");
        QVERIFY(Schema::check(db().connection()).contains("column PROJECTWORK.HAND_ENTRY is missing "
                                                          "(hourwright-db upgrade adds it)"));
        {
            auto week = openWeek();
            QCOMPARE(week->Model()->data(cell(*week, "Portal Wed")).toString(), "1:00");
            QVERIFY(message(*week).contains("hourwright-db upgrade"));
            QVERIFY(!week->Model()->setData(cell(*week, "Portal Wed"), "2:00"));
            QCOMPARE(db().count("PROJECTWORK"), 1);
        }
        QCOMPARE(Schema::upgrade(db().connection()), QStringList{"column PROJECTWORK.HAND_ENTRY"});
        QCOMPARE(Schema::upgrade(db().connection()), QStringList());
        QCOMPARE(Schema::check(db().connection()), QStringList());
        auto week = openWeek();
        QVERIFY(week->Model()->setData(cell(*week, "Portal Wed"), "2:00"));
        QCOMPARE(stored(), "Portal Wed 09:00 Wed 10:00 recorded;Portal Wed 10:00 Wed 11:00 hand");
    }

    void weekKeys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("week");
        QTest::newRow("Page Up") << QList<int>{Qt::Key_PageUp} << "2026-W19, Mon 4 May to Sun 10 May 2026";
        QTest::newRow("Page Down twice") << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown}
                                         << "2026-W22, Mon 25 May to Sun 31 May 2026";
        QTest::newRow("Home") << QList<int>{Qt::Key_PageUp, Qt::Key_Home} << "2026-W20, Mon 11 May to Sun 17 May 2026";
        QTest::newRow("while typing a cell") << QList<int>{Qt::Key_1, Qt::Key_PageUp}
                                             << "2026-W19, Mon 4 May to Sun 10 May 2026";
        QTest::newRow("into the next year") << QList<int>(33, Qt::Key_PageDown)
                                            << "2026-W53, Mon 28 Dec 2026 to Sun 3 Jan 2027";
    }
    void weekKeys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, week);
        add("Portal Wed 09:00 Wed 10:00 recorded");
        auto module = openWeek();
        QWidget* grid = module->Lookup("WeekGrid")->as<QTableView>();
        module->ModuleForm()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(module->ModuleForm()));
        grid->setFocus();
        for (int key : keys)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(module->Lookup("lblWeek")->AsLabel()->text(), week);
        // What was typed is kept in its own week.
        if (keys.first() == Qt::Key_1)
            QCOMPARE(stored(), "Portal Mon 09:00 Mon 10:00 hand;Portal Wed 09:00 Wed 10:00 recorded");
        QVERIFY(module->ModuleForm()->windowTitle().contains(week));
        QCOMPARE(module->Sheet().Rows.isEmpty(), !week.startsWith("2026-W20"));
    }
};

QTEST_MAIN(TestWeek)
#include "tst_Week.moc"
