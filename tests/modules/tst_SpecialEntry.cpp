#include "framework/o_ComponentCaster.h"
#include "modules/f_SpecialEntry.h"
#include "modules/mc_SpecialEntry.h"
#include "support/TestMain.h"
#include "support/TestTimes.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestSpecialEntry : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestMain> m_main;

    // An administrator's window, which offers every project.
    TCustomModule::Ptr<TdmSpecialEntry> open(int developerId = 7, bool admin = true)
    {
        auto module = TCustomModule::Create<TdmSpecialEntry, TFrmSpecialEntry>();
        module->DeveloperID = developerId;
        module->UserName = QStringLiteral("tester");
        module->IsAdmin = admin;
        module->Execute(false);
        return module;
    }
    void setPickers(TdmSpecialEntry& module, const QDateTime& start, const QDateTime& stop)
    {
        // The date pickers carry the date, the time pickers the time of day.
        module.Lookup("dtStartDate")->as<DateTimePicker>()->setDateTime(QDateTime(start.date(), QTime(13, 13, 13)));
        module.Lookup("dtStartTime")->as<DateTimePicker>()->setDateTime(QDateTime(QDate(2001, 1, 1), start.time()));
        module.Lookup("dtStopDate")->as<DateTimePicker>()->setDateTime(QDateTime(stop.date(), QTime(1, 2, 3)));
        module.Lookup("dtStopTime")->as<DateTimePicker>()->setDateTime(QDateTime(QDate(2002, 2, 2), stop.time()));
    }
    void insert(TdmSpecialEntry& module)
    {
        module.Lookup("btnInsert")->as<QPushButton>()->click();
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_main = std::make_unique<TestMain>(*m_db, TestDatabase::kind());
        MessageService::resetForTests();
        m_db->exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Billing',1,0),('Portal',0,1)");
    }
    void cleanup()
    {
        Clock::reset();
        m_main.reset();
        m_db.reset();
    }

    void durations_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<double>("hours");
        QTest::newRow("morning") << at("2009-05-11 08:00:00") << at("2009-05-11 12:30:30") << 4.5;
        QTest::newRow("across midnight") << at("2009-05-11 22:00:00") << at("2009-05-12 01:15:30") << 3.25;
        QTest::newRow("59 seconds") << at("2009-05-11 08:00:00") << at("2009-05-11 08:00:59") << 0.0;
        QTest::newRow("90 seconds") << at("2009-05-11 08:00:00") << at("2009-05-11 08:01:30") << 1.0 / 60;
        QTest::newRow("whole hours") << at("2009-05-11 09:00:00") << at("2009-05-11 17:00:00") << 8.0;
    }
    void durations()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(double, hours);
        auto module = open();
        module->ProjectsQuery()->locate("DESCRIPTION", "Portal");
        setPickers(*module, start, stop);
        insert(*module);
        QSqlQuery row = m_db->connection().exec(
            "select PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,COMMENTS,DAY_START,DAY_END,"
            "HAND_ENTRY from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toInt(), 2);
        QCOMPARE(row.value(1).toInt(), 7);
        QCOMPARE(TestDatabase::asStored(row.value(2)).toString(), start.toString("yyyy-MM-dd HH:mm:ss.zzz"));
        QCOMPARE(TestDatabase::asStored(row.value(3)).toString(), stop.toString("yyyy-MM-dd HH:mm:ss.zzz"));
        QCOMPARE(row.value(4).toDouble(), hours);
        QCOMPARE(row.value(5).toInt(), 1);
        QVERIFY(row.value(6).isNull());
        QCOMPARE(TestDatabase::asStored(row.value(7)).toString(), start.date().toString("yyyy-MM-dd"));
        QCOMPARE(TestDatabase::asStored(row.value(8)).toString(), stop.date().toString("yyyy-MM-dd"));
        QCOMPARE(row.value(9).toInt(), 1); // entered by hand: the week grid may change it
        QVERIFY(module->ModuleForm()->isVisible()); // the window stays for the next entry
    }

    // The second press overlaps the first: it is asked about and written only on Yes.
    void twoPressesWriteTwoRowsWhenTheOverlapIsAccepted_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rows");
        QTest::newRow("yes") << int(QMessageBox::Yes) << 2;
        QTest::newRow("no") << int(QMessageBox::No) << 1;
    }
    void twoPressesWriteTwoRowsWhenTheOverlapIsAccepted()
    {
        QFETCH(int, answer);
        QFETCH(int, rows);
        auto module = open();
        setPickers(*module, at("2009-05-11 08:00:00"), at("2009-05-11 09:00:00"));
        insert(*module);
        QVERIFY(MessageService::shownForTests().isEmpty());
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        insert(*module);
        QCOMPARE(m_db->count("PROJECTWORK"), rows);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(MessageService::shownForTests().first().text.contains("Billing, 2009-05-11 08:00 to 09:00 (1:00 h)"),
                 qPrintable(MessageService::shownForTests().first().text));
    }

    void commentIsWritten_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::newRow("quotes") << "it's \"done\"'); delete from PROJECTWORK; --";
        QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('s'));
        QTest::newRow("non-Latin") << QStringLiteral("Überprüfung 検証 проверка ✓");
    }
    void commentIsWritten()
    {
        QFETCH(QString, comment);
        auto module = open();
        setPickers(*module, at("2009-05-11 08:00:00"), at("2009-05-11 09:00:00"));
        module->Lookup("edtComment")->as<QLineEdit>()->setText(comment);
        insert(*module);
        QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK").toString(), comment);
    }

    void pickersOpenAtNow()
    {
        Clock::setNow(at("2026-12-08 10:11:12"));
        auto module = open();
        for (const char* name : {"dtStartDate", "dtStartTime", "dtStopDate", "dtStopTime"})
            QCOMPARE(module->Lookup(name)->as<DateTimePicker>()->dateTime(), at("2026-12-08 10:11:12"));
    }

    // A database made before the hand-entry mark still takes hand entries.
    void insertsWithoutTheMark()
    {
        m_db->exec("alter table PROJECTWORK drop column HAND_ENTRY");
        auto module = open();
        setPickers(*module, at("2009-05-11 08:00:00"), at("2009-05-11 09:00:00"));
        insert(*module);
        QCOMPARE(m_db->count("PROJECTWORK"), 1);
        QVERIFY(MessageService::shownForTests().isEmpty());
    }

    // Times are entered in whole seconds, whatever moment the window opened at.
    void storedTimesHaveNoMilliseconds()
    {
        auto module = open();
        setPickers(*module, at("2009-05-11 09:00:00").addMSecs(952), at("2009-05-11 10:00:00").addMSecs(952));
        insert(*module);
        QCOMPARE(TestDatabase::asStored(m_db->scalar("select TIME_START from PROJECTWORK")).toString(),
                 QStringLiteral("2009-05-11 09:00:00.000"));
        QCOMPARE(TestDatabase::asStored(m_db->scalar("select TIME_END from PROJECTWORK")).toString(),
                 QStringLiteral("2009-05-11 10:00:00.000"));
    }

    void refusals_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<int>("developer");
        QTest::addColumn<QString>("reason");
        QTest::newRow("stop before start") << at("2009-05-11 12:00:00") << at("2009-05-11 08:00:00") << 7
                                           << "earlier than the start";
        QTest::newRow("no length") << at("2009-05-11 08:00:00") << at("2009-05-11 08:00:00") << 7 << "no length";
        QTest::newRow("stop later than now") << at("2009-05-11 08:00:00") << at("2009-05-11 11:00:00") << 7
                                             << "stop (2009-05-11 11:00) is later than now";
        QTest::newRow("start later than now") << at("2009-05-11 10:30:00") << at("2009-05-11 11:00:00") << 7
                                              << "start (2009-05-11 10:30) is later than now";
        QTest::newRow("user without a developer") << at("2009-05-11 08:00:00") << at("2009-05-11 09:00:00") << 0
                                                  << "linked to no developer";
    }
    void refusals()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(int, developer);
        QFETCH(QString, reason);
        Clock::setNow(at("2009-05-11 10:00:00"));
        auto module = open(developer);
        setPickers(*module, start, stop);
        insert(*module);
        QCOMPARE(m_db->count("PROJECTWORK"), 0);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(MessageService::shownForTests().first().text.contains(reason),
                 qPrintable(MessageService::shownForTests().first().text));
    }

    // Others than administrators choose among their own unfinished projects,
    // as Edit Interval offers them.
    void projectsOffered_data()
    {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QStringList>("projects");
        QTest::newRow("administrator") << true << QStringList{"Billing", "Other", "Portal"};
        QTest::newRow("developer") << false << QStringList{"Billing"};
    }
    void projectsOffered()
    {
        QFETCH(bool, admin);
        QFETCH(QStringList, projects);
        m_db->exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Other',1,0)");
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (7,1),(7,2),(8,3)");
        auto module = open(7, admin);
        QStringList shown;
        SqlQuery* list = module->ProjectsQuery();
        for (list->first(); !list->eof(); list->next())
            shown << list->value("DESCRIPTION").toString();
        QCOMPARE(shown, projects);
    }

    void vanishedProjectWritesNothing()
    {
        auto module = open();
        m_db->exec("delete from PROJECTS where ID = 1");
        insert(*module);
        QCOMPARE(m_db->count("PROJECTWORK"), 0);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("no longer exists"));
    }

    void refusedInsertIsRolledBackAndShown()
    {
        m_db->refuseWrites("insert", "PROJECTWORK", "full");
        auto module = open();
        setPickers(*module, at("2009-05-11 08:00:00"), at("2009-05-11 09:00:00"));
        insert(*module);
        QVERIFY(!m_db->connection().inTransaction());
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("full"));
        QVERIFY(module->ModuleForm()->isVisible());
    }
};

QTEST_MAIN(TestSpecialEntry)
#include "tst_SpecialEntry.moc"
