#include "components/o_IntervalEditor.h"
#include "components/o_PeriodLock.h"
#include "support/TestDatabase.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"

#include <QtTest>

namespace {

// Developers 1 and 2 (users), project 1 for both, project 2 for developer 1 only.
// Intervals: 1 of developer 1 (08:00-10:00), 2 of developer 2 (09:00-11:00),
// 3 of developer 1 running since 2009-05-12 08:00.
void fill(TestDatabase& db)
{
    db.exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Smith','Ann'),('Jones','Bob')");
    db.exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Billing',0,0),('Portal',0,0),"
            "('Secret',0,0)");
    db.exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1),(1,2),(2,1)");
    db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,DAY_START,"
            "DAY_END,COMMENTS) values "
            "(1,1,'2009-05-11 08:00:00.000','2009-05-11 10:00:00.000',2,1,'2009-05-11','2009-05-11','first'),"
            "(1,2,'2009-05-11 09:00:00.000','2009-05-11 11:00:00.000',2,1,'2009-05-11','2009-05-11',''),"
            "(2,1,'2009-05-12 08:00:00.000',NULL,NULL,0,'2009-05-12',NULL,'running')");
}

const TIntervalUser Ann{1, false};
const TIntervalUser Bob{2, false};
const TIntervalUser Admin{0, true};

} // namespace

class TestIntervalEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TIntervalEditor> m_editor;

    TIntervalChange changeOf(int id)
    {
        const TInterval interval = *m_editor->find(id);
        return {interval.id, interval.projectId, interval.start, interval.end, interval.comment};
    }

    QVariantList startAndProject(int id)
    {
        return {m_db->scalar("select TIME_START from PROJECTWORK where ID = :ID", {id}),
                m_db->scalar("select PROJECT_ID from PROJECTWORK where ID = :ID", {id})};
    }

    // A row of developer 2 that starts then; a stopped one lasts an hour.
    static std::optional<TWorkValues> work(const QString& start, bool running, int project = 2)
    {
        if (start.isEmpty())
            return std::nullopt;
        const QDateTime from = at(start.toLatin1().constData());
        return TWorkValues{{project, 2, from, running ? QVariant() : QVariant(from.addSecs(3600)),
                            running ? QVariant() : QVariant(1.0), QString(), running ? 0 : 1, from.date(), QVariant(),
                            0}};
    }

private slots:
    // What the program refuses in the period locked through 2009-05-31, as
    // the server's trigger does: the day an interval is on before or after
    // the change, except a running one that keeps its start and project.
    void lockRefusals_data()
    {
        QTest::addColumn<QString>("before"); // empty: an insert
        QTest::addColumn<bool>("wasRunning");
        QTest::addColumn<QString>("after"); // empty: a delete
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("project");
        QTest::addColumn<bool>("refused");
        QTest::newRow("insert on the lock date") << "" << false << "2009-05-31 08:00:00" << false << 2 << true;
        QTest::newRow("insert after it") << "" << false << "2009-06-01 08:00:00" << false << 2 << false;
        QTest::newRow("delete a locked one") << "2009-05-30 08:00:00" << false << "" << false << 2 << true;
        QTest::newRow("change one after it") << "2009-06-02 08:00:00" << false << "2009-06-02 09:00:00" << false << 3
                                             << false;
        QTest::newRow("move one into the lock") << "2009-06-02 08:00:00" << false << "2009-05-31 08:00:00" << false
                                                << 2 << true;
        QTest::newRow("move a locked one out") << "2009-05-31 08:00:00" << false << "2009-06-02 08:00:00" << false
                                               << 2 << true;
        QTest::newRow("stop one running across the lock date")
            << "2009-05-31 22:00:00" << true << "2009-05-31 22:00:00" << false << 2 << false;
        QTest::newRow("move a running one's start") << "2009-05-31 22:00:00" << true << "2009-05-31 21:00:00" << true
                                                    << 2 << true;
        QTest::newRow("hand a running one to another project")
            << "2009-05-31 22:00:00" << true << "2009-05-31 22:00:00" << false << 3 << true;
        QTest::newRow("start one today") << "" << false << "2009-06-03 08:00:00" << true << 2 << false;
    }
    void lockRefusals()
    {
        QFETCH(QString, before);
        QFETCH(bool, wasRunning);
        QFETCH(QString, after);
        QFETCH(bool, running);
        QFETCH(int, project);
        QFETCH(bool, refused);
        const QString refusal = TPeriodLock::refusal(work(before, wasRunning), work(after, running, project),
                                                     QDate(2009, 5, 31));
        QCOMPARE(!refusal.isEmpty(), refused);
        if (refused)
            QVERIFY2(refusal.contains("The period through 2009-05-31 is locked"), qPrintable(refusal));
    }

    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        fill(*m_db);
        m_editor = std::make_unique<TIntervalEditor>(m_db->connection(), m_db->settings().kind);
        Clock::setNow(at("2009-05-12 12:00:00"));
    }
    void cleanup()
    {
        m_editor.reset();
        m_db.reset();
        Clock::reset();
    }

    void commentsAreStoredAsGiven_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::newRow("quotes") << "it's \"done\"; drop table PROJECTWORK; --";
        QTest::newRow("line breaks") << "first line\nsecond line\r\nthird";
        QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('x')) + QStringLiteral("end");
        QTest::newRow("non-Latin") << QStringLiteral("Überprüfung 検証 проверка ✓ 🕑");
        QTest::newRow("empty") << "";
    }
    void commentsAreStoredAsGiven()
    {
        QFETCH(QString, comment);
        TIntervalChange change = changeOf(1);
        change.comment = comment;
        QCOMPARE(m_editor->update(Ann, change).comment, comment);
        QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK where ID = 1").toString(), comment);
        QVERIFY(!m_db->scalar("select COMMENTS from PROJECTWORK where ID = 1").isNull());
        QCOMPARE(m_editor->list(1).last().comment, comment);
    }

    void whoMayChange_data()
    {
        QTest::addColumn<int>("developer");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("owner") << 1 << false << 1 << true;
        QTest::newRow("another user") << 2 << false << 1 << false;
        QTest::newRow("administrator") << 2 << true << 1 << true;
        QTest::newRow("user without developer") << 0 << false << 1 << false;
        QTest::newRow("owner, running interval") << 1 << false << 3 << true;
    }
    void whoMayChange()
    {
        QFETCH(int, developer);
        QFETCH(bool, admin);
        QFETCH(int, id);
        QFETCH(bool, allowed);
        const TIntervalUser user{developer, admin};
        const QString before = m_db->scalar("select COMMENTS from PROJECTWORK where ID = :ID", {id}).toString();

        TIntervalChange change = changeOf(id);
        change.comment = "changed";
        bool refused = false;
        try {
            m_editor->update(user, change);
        } catch (const AppError& error) {
            refused = true;
            QVERIFY2(error.message().contains("administrator"), qPrintable(error.message()));
        }
        QCOMPARE(!refused, allowed);
        QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK where ID = :ID", {id}).toString(),
                 allowed ? QStringLiteral("changed") : before);

        refused = false;
        try {
            m_editor->remove(user, id);
        } catch (const AppError&) {
            refused = true;
        }
        QCOMPARE(!refused, allowed);
        QCOMPARE(m_db->scalar("select count(*) from PROJECTWORK where ID = :ID", {id}).toInt(), allowed ? 0 : 1);
    }

    void timesAreRecomputed_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("dayStart");
        QTest::addColumn<QString>("dayEnd");
        QTest::newRow("same day") << at("2009-05-10 08:00:00") << at("2009-05-10 12:30:30") << 4.5 << "2009-05-10"
                                  << "2009-05-10";
        QTest::newRow("across midnight") << at("2009-05-10 22:00:00") << at("2009-05-11 01:15:30") << 3.25
                                         << "2009-05-10" << "2009-05-11";
        QTest::newRow("equal") << at("2009-05-10 08:00:00") << at("2009-05-10 08:00:00") << 0.0 << "2009-05-10"
                               << "2009-05-10";
    }
    void timesAreRecomputed()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(double, hours);
        QFETCH(QString, dayStart);
        QFETCH(QString, dayEnd);
        TIntervalChange change = changeOf(1);
        change.projectId = 2;
        change.start = start;
        change.end = stop;
        const TInterval written = m_editor->update(Ann, change);
        QCOMPARE(written.hours, hours);
        QCOMPARE(m_db->scalar("select TIME_SPEND from PROJECTWORK where ID = 1").toDouble(), hours);
        QCOMPARE(m_db->scalar("select DAY_START from PROJECTWORK where ID = 1").toString(), dayStart);
        QCOMPARE(m_db->scalar("select DAY_END from PROJECTWORK where ID = 1").toString(), dayEnd);
        QCOMPARE(m_db->scalar("select PROJECT_ID from PROJECTWORK where ID = 1").toInt(), 2);
        QCOMPARE(m_db->scalar("select COMPLETED from PROJECTWORK where ID = 1").toInt(), 1);
    }

    void refusedChangesWriteNothing_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("project");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<QString>("reason");
        QTest::newRow("stop before start") << 1 << 1 << at("2009-05-11 10:00:00") << at("2009-05-11 09:59:59")
                                           << "earlier than the start";
        QTest::newRow("project not among the user's") << 1 << 3 << at("2009-05-11 08:00:00")
                                                       << at("2009-05-11 10:00:00") << "not among your projects";
        QTest::newRow("running: a stop") << 3 << 2 << at("2009-05-12 08:00:00") << at("2009-05-12 09:00:00")
                                         << "still running";
        QTest::newRow("running: another project") << 3 << 1 << at("2009-05-12 08:00:00") << QDateTime()
                                                  << "still running";
        QTest::newRow("running: start in the future") << 3 << 2 << at("2009-05-12 12:00:01") << QDateTime()
                                                      << "future";
        QTest::newRow("stop a second after now") << 1 << 1 << at("2009-05-11 08:00:00") << at("2009-05-12 12:00:01")
                                                 << "stop (2009-05-12 12:00) is later than now";
        QTest::newRow("stop years ahead") << 1 << 1 << at("2009-05-11 08:00:00") << at("2081-05-11 10:00:00")
                                          << "later than now";
        QTest::newRow("start and stop ahead") << 1 << 1 << at("2009-05-13 08:00:00") << at("2009-05-13 10:00:00")
                                              << "start (2009-05-13 08:00) is later than now";
    }
    void refusedChangesWriteNothing()
    {
        QFETCH(int, id);
        QFETCH(int, project);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(QString, reason);
        const QVariantList before = startAndProject(id);
        try {
            m_editor->update(Ann, {id, project, start, stop, QStringLiteral("x")});
            QFAIL("the change was written");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
        }
        QCOMPARE(startAndProject(id), before);
    }

    void runningIntervalTakesStartAndComment()
    {
        const TInterval written = m_editor->update(Ann, {3, 2, at("2009-05-11 23:00:00"), QDateTime(), "later"});
        QVERIFY(written.running());
        QCOMPARE(written.start, at("2009-05-11 23:00:00"));
        QCOMPARE(m_db->scalar("select DAY_START from PROJECTWORK where ID = 3").toString(), "2009-05-11");
        QVERIFY(m_db->scalar("select TIME_END from PROJECTWORK where ID = 3").isNull());
        QCOMPARE(m_db->scalar("select COMPLETED from PROJECTWORK where ID = 3").toInt(), 0);
        QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK where ID = 3").toString(), "later");
    }

    void stoppedMeanwhileIsNotRewritten()
    {
        // Another client stops the running interval after this one read it.
        m_db->exec("update PROJECTWORK set COMPLETED = 1, TIME_END = '2009-05-12 09:00:00.000' where ID = 3");
        try {
            m_editor->update(Ann, {3, 2, at("2009-05-12 07:00:00"), QDateTime(), "x"});
            QFAIL("the change was written");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains("stop"), qPrintable(error.message()));
        }
        QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK where ID = 3").toString(), "running");
    }

    // An edit made from what was read is refused when another client changed
    // the row since, and says what changed; nothing of it is written.
    void changedSinceReadIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("said");
        QTest::newRow("stop") << "TIME_END = '2009-05-11 10:30:00.000'" << "its stop is now 2009-05-11 10:30";
        QTest::newRow("start") << "TIME_START = '2009-05-11 07:00:00.000'" << "its start is now 2009-05-11 07:00";
        QTest::newRow("comment") << "COMMENTS = 'from the command line'" << "its comment is now \"from the command line\"";
        QTest::newRow("nothing") << "COMMENTS = 'first'" << "";
    }
    void changedSinceReadIsNotOverwritten()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QString, said);
        const TInterval read = *m_editor->find(1);
        m_db->openAnother()->exec("update PROJECTWORK set " + elsewhere + " where ID = 1");
        const TIntervalChange change{1, 1, read.start, read.end, QStringLiteral("mine")};
        if (said.isEmpty()) {
            QVERIFY_SQL(m_editor->update(Ann, change, read));
            QCOMPARE(m_db->scalar("select COMMENTS from PROJECTWORK where ID = 1").toString(), "mine");
            return;
        }
        try {
            m_editor->update(Ann, change, read);
            QFAIL("the change was written");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(said), qPrintable(error.message()));
        }
        QVERIFY(m_db->scalar("select COMMENTS from PROJECTWORK where ID = 1").toString() != "mine");
    }

    void goneIntervalIsSaidSo()
    {
        m_editor->remove(Ann, 1);
        QVERIFY_THROWS_EXCEPTION(AppError, m_editor->remove(Ann, 1));
        QVERIFY_THROWS_EXCEPTION(AppError, m_editor->update(Ann, {1, 1, at("2009-05-11 08:00:00"),
                                                                  at("2009-05-11 09:00:00"), ""}));
    }

    void overlaps_data()
    {
        QTest::addColumn<int>("developer");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<int>("exclude");
        QTest::addColumn<QList<int>>("found");
        QTest::newRow("inside") << 1 << at("2009-05-11 08:30:00") << at("2009-05-11 09:00:00") << 0 << QList<int>{1};
        QTest::newRow("covering") << 1 << at("2009-05-11 07:00:00") << at("2009-05-11 11:00:00") << 0
                                  << QList<int>{1};
        QTest::newRow("touching the end") << 1 << at("2009-05-11 10:00:00") << at("2009-05-11 11:00:00") << 0
                                          << QList<int>{};
        QTest::newRow("touching the start") << 1 << at("2009-05-11 07:00:00") << at("2009-05-11 08:00:00") << 0
                                            << QList<int>{};
        QTest::newRow("itself is left out") << 1 << at("2009-05-11 08:30:00") << at("2009-05-11 09:00:00") << 1
                                            << QList<int>{};
        QTest::newRow("another developer's time") << 2 << at("2009-05-11 07:00:00") << at("2009-05-11 08:30:00")
                                                  << 0 << QList<int>{};
        QTest::newRow("the running one, until now") << 1 << at("2009-05-12 11:00:00") << at("2009-05-12 13:00:00")
                                                    << 0 << QList<int>{3};
        QTest::newRow("after now, beside the running one")
            << 1 << at("2009-05-12 12:00:00") << at("2009-05-12 13:00:00") << 0 << QList<int>{};
        QTest::newRow("over midnight, both") << 1 << at("2009-05-11 09:59:00") << at("2009-05-12 08:01:00") << 0
                                             << QList<int>{1, 3};
        QTest::newRow("a running change reaches now") << 1 << at("2009-05-11 09:00:00") << QDateTime() << 3
                                                      << QList<int>{1};
        QTest::newRow("an empty interval") << 1 << at("2009-05-11 09:00:00") << at("2009-05-11 09:00:00") << 0
                                           << QList<int>{};
    }
    void overlaps()
    {
        QFETCH(int, developer);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(int, exclude);
        QFETCH(QList<int>, found);
        QList<int> ids;
        for (const TInterval& interval : m_editor->overlapping(developer, start, stop, exclude))
            ids << interval.id;
        QCOMPARE(ids, found);
    }

    void listIsNewestFirstWithinTheDays()
    {
        auto ids = [](const QList<TInterval>& rows) {
            QList<int> result;
            for (const TInterval& row : rows)
                result << row.id;
            return result;
        };
        QCOMPARE(ids(m_editor->list(1)), (QList<int>{3, 1}));
        QCOMPARE(ids(m_editor->list(1, QDate(2009, 5, 12))), QList<int>{3});
        QCOMPARE(ids(m_editor->list(1, QDate(), QDate(2009, 5, 11))), QList<int>{1});
        QCOMPARE(ids(m_editor->list(2)), QList<int>{2});
        // A row without a start comes last, whatever the kind sorts first.
        m_db->exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (1,1,1)");
        QCOMPARE(ids(m_editor->list(1)), (QList<int>{3, 1, 4}));
    }

    void projectsAreTheUsersList()
    {
        auto names = [](const QList<TIntervalEditor::Project>& projects) {
            QStringList result;
            for (const auto& p : projects)
                result << p.name;
            return result;
        };
        QCOMPARE(names(m_editor->projectsOf(Ann)), QStringList({"Billing", "Portal"}));
        QCOMPARE(names(m_editor->projectsOf(Bob)), QStringList({"Billing"}));
        QCOMPARE(names(m_editor->projectsOf(Admin)), QStringList({"Billing", "Portal", "Secret"}));
        // A finished project takes no more time from its developers.
        m_db->exec("update PROJECTS set IS_FINISHED = 1 where DESCRIPTION = 'Portal'");
        QCOMPARE(names(m_editor->projectsOf(Ann)), QStringList({"Billing"}));
        QCOMPARE(names(m_editor->projectsOf(Admin)), QStringList({"Billing", "Portal", "Secret"}));
    }

    void describeNamesProjectTimesAndDuration()
    {
        QCOMPARE(TIntervalEditor::describe(*m_editor->find(1)), "Billing, 2009-05-11 08:00 to 10:00 (2:00 h)");
        QCOMPARE(TIntervalEditor::describe(*m_editor->find(3)), "Portal, 2009-05-12 08:00, running (4:00 h so far)");
    }
};

QTEST_GUILESS_MAIN(TestIntervalEditor)
#include "tst_IntervalEditor.moc"
