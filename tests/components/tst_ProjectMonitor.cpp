#include "components/o_ProjectMonitor.h"
#include "support/TestDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"

#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}
} // namespace

class TestProjectMonitor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void timeSpendBetween_data()
    {
        QTest::addColumn<QDateTime>("a");
        QTest::addColumn<QDateTime>("b");
        QTest::addColumn<double>("hours");
        QTest::newRow("59 seconds") << at("2009-05-11 08:00:00.000") << at("2009-05-11 08:00:59.000") << 0.0;
        QTest::newRow("59.999 seconds") << at("2009-05-11 08:00:00.000") << at("2009-05-11 08:00:59.999") << 0.0;
        QTest::newRow("90 seconds") << at("2009-05-11 08:00:00.000") << at("2009-05-11 08:01:30.000") << 1.0 / 60;
        QTest::newRow("2h30m59s") << at("2009-05-11 08:00:00.000") << at("2009-05-11 10:30:59.000") << 2.5;
        QTest::newRow("exact hour") << at("2009-05-11 08:00:00.000") << at("2009-05-11 09:00:00.000") << 1.0;
        QTest::newRow("exact 7 hours") << at("2009-05-11 01:00:00.000") << at("2009-05-11 08:00:00.000") << 7.0;
        QTest::newRow("reversed order") << at("2009-05-11 12:30:30.000") << at("2009-05-11 08:00:00.000") << 4.5;
        QTest::newRow("across midnight") << at("2009-05-11 22:00:00.000") << at("2009-05-12 01:15:30.000") << 3.25;
        QTest::newRow("three days") << at("2009-05-11 08:00:00.000") << at("2009-05-14 08:00:00.000") << 72.0;
        QTest::newRow("equal") << at("2009-05-11 08:00:00.000") << at("2009-05-11 08:00:00.000") << 0.0;
    }
    void timeSpendBetween()
    {
        QFETCH(QDateTime, a);
        QFETCH(QDateTime, b);
        QFETCH(double, hours);
        QCOMPARE(TqvProjectMonitor::TimeSpendBetween(a, b), hours);
    }

    void startAndStopWriteOneClosedRow_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("dayEnd");
        QTest::newRow("same day") << at("2009-05-11 08:00:00.250") << at("2009-05-11 10:30:59.100") << 2.5
                                  << "2009-05-11";
        QTest::newRow("across midnight") << at("2009-05-11 23:30:00.000") << at("2009-05-12 00:30:30.000") << 1.0
                                         << "2009-05-12";
    }
    void startAndStopWriteOneClosedRow()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(double, hours);
        QFETCH(QString, dayEnd);
        TestDatabase db;
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        monitor.ProjectID = 4;
        monitor.DeveloperID = 2;

        Clock::setNow(start);
        QVERIFY_SQL(monitor.StartMonitoring());
        QVERIFY(monitor.Monitoring());
        QVERIFY(monitor.CurrentWorkID() > 0);
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 0);
        QVERIFY(db.scalar("select TIME_END from PROJECTWORK").isNull());

        Clock::setNow(stop);
        QVERIFY_SQL(monitor.StopMonitoring());
        QVERIFY(!monitor.Monitoring());

        QSqlQuery row = db.connection().exec(
            "select PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMMENTS,COMPLETED,DAY_START,DAY_END,ID"
            " from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toInt(), 4);
        QCOMPARE(row.value(1).toInt(), 2);
        QCOMPARE(TestDatabase::asStored(row.value(2)).toString(), start.toString("yyyy-MM-dd HH:mm:ss.zzz"));
        QCOMPARE(TestDatabase::asStored(row.value(3)).toString(), stop.toString("yyyy-MM-dd HH:mm:ss.zzz"));
        QCOMPARE(row.value(4).toDouble(), hours);
        QVERIFY(!row.value(5).isNull());
        QCOMPARE(row.value(5).toString(), QString());
        QCOMPARE(row.value(6).toInt(), 1);
        QCOMPARE(TestDatabase::asStored(row.value(7)).toString(), start.date().toString("yyyy-MM-dd"));
        QCOMPARE(TestDatabase::asStored(row.value(8)).toString(), dayEnd);
        QCOMPARE(row.value(9).toInt(), monitor.CurrentWorkID());
        QVERIFY(!row.next());
    }

    void startTwiceAndStopIdleAreIgnored()
    {
        TestDatabase db;
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        QVERIFY_SQL(monitor.StopMonitoring());
        QCOMPARE(db.count("PROJECTWORK"), 0);
        QVERIFY_SQL(monitor.StartMonitoring());
        const int first = monitor.CurrentWorkID();
        QVERIFY_SQL(monitor.StartMonitoring());
        QCOMPARE(db.count("PROJECTWORK"), 1);
        QCOMPARE(monitor.CurrentWorkID(), first);
    }

    void checkIncompleteWorkTakesOnlyOwnNewestOpenRow()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMPLETED) values (1,1,'2009-05-11 08:00:00.000',0)");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START) values (2,2,'2009-05-11 08:00:00.000')");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START) values (3,2,'2009-05-12 09:15:00.500')");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMPLETED) values (4,3,'2009-05-13 08:00:00.000',1)");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());

        monitor.DeveloperID = 3; // only a closed row
        QCOMPARE(monitor.CheckIncompleteWork(), 0);
        QVERIFY(!monitor.Monitoring());

        monitor.DeveloperID = 2;
        QCOMPARE(monitor.CheckIncompleteWork(), 3);
        QVERIFY(monitor.Monitoring());
        QCOMPARE(monitor.StartTime(), at("2009-05-12 09:15:00.500"));

        monitor.DeveloperID = 9;
        QCOMPARE(monitor.CheckIncompleteWork(), 0);
        QVERIFY(!monitor.Monitoring());

        // An open row without a start is never the one taken over while
        // another has one.
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID) values (6,2)");
        monitor.DeveloperID = 2;
        QCOMPARE(monitor.CheckIncompleteWork(), 3);
        QCOMPARE(monitor.StartTime(), at("2009-05-12 09:15:00.500"));
    }

    void resumedIntervalIsClosedByStop()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,DAY_START) values (5,1,'2009-05-11 08:00:00.000','2009-05-11')");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        monitor.DeveloperID = 1;
        QCOMPARE(monitor.CheckIncompleteWork(), 1);
        Clock::setNow(at("2009-05-11 09:45:10.000"));
        QVERIFY_SQL(monitor.StopMonitoring());
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK where ID=1").toDouble(), 1.75);
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK where ID=1").toInt(), 1);
    }

    // A start corrected elsewhere while the window measures: the stop counts
    // from the stored start, and refuses an end before it.
    void stopCountsFromAStartCorrectedElsewhere_data()
    {
        QTest::addColumn<QString>("newStart");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<double>("hours");
        QTest::newRow("earlier") << "2009-05-11 07:00:00.000" << false << 2.0;
        QTest::newRow("later") << "2009-05-11 08:30:00.000" << false << 0.5;
        QTest::newRow("after the stop") << "2009-05-11 09:30:00.000" << true << 0.0;
    }
    void stopCountsFromAStartCorrectedElsewhere()
    {
        QFETCH(QString, newStart);
        QFETCH(bool, refused);
        QFETCH(double, hours);
        TestDatabase db;
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        Clock::setNow(at("2009-05-11 08:00:00.000"));
        QVERIFY_SQL(monitor.StartMonitoring());
        db.openAnother()->exec(QStringLiteral("update PROJECTWORK set TIME_START='%1'").arg(newStart));
        Clock::setNow(at("2009-05-11 09:00:00.000"));
        if (refused) {
            QVERIFY_THROWS_EXCEPTION(AppError, monitor.StopMonitoring());
            QVERIFY(monitor.Monitoring());
            QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 0);
            return;
        }
        QVERIFY_SQL(monitor.StopMonitoring());
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK").toDouble(), hours);
        QCOMPARE(monitor.StartTime(), at(newStart.toLatin1().constData()));
    }

    void stopOfARowClosedElsewhereReportsIt()
    {
        TestDatabase db;
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        Clock::setNow(at("2009-05-11 08:00:00.000"));
        QVERIFY_SQL(monitor.StartMonitoring());
        auto other = db.openAnother();
        other->exec("update PROJECTWORK set COMPLETED=1,TIME_END='2009-05-11 08:30:00.000',TIME_SPEND=0.5");
        Clock::setNow(at("2009-05-11 09:00:00.000"));
        QVERIFY_THROWS_EXCEPTION(AppError, monitor.StopMonitoring());
        QVERIFY(!monitor.Monitoring());
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 0.5);
    }

    void recalcRecomputesClosedRowsAndLeavesOpenOnes()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (TIME_START,TIME_END,TIME_SPEND,COMPLETED) values "
                "('2009-05-11 23:30:00.000','2009-05-12 00:30:30.000',22.98,1)");
        db.exec("insert into PROJECTWORK (TIME_START,TIME_END,TIME_SPEND,COMPLETED) values "
                "('2009-05-11 08:00:00','2009-05-11 09:00:00',0.98,1)");
        db.exec("insert into PROJECTWORK (TIME_START,COMPLETED) values ('2009-05-13 08:00:00.000',0)");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        QVERIFY_SQL(monitor.RecalcTimeSpend());
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK where ID=1").toDouble(), 1.0);
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK where ID=2").toDouble(), 1.0);
        QVERIFY(db.scalar("select TIME_SPEND from PROJECTWORK where ID=3").isNull());
    }

    // The database computes each duration as the program does, whatever
    // the times: -1 marks a row that must stay as it was.
    void recalcGivesWhatTheProgramCounts_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("embeddedOnly"); // texts a server's TIMESTAMP cannot hold
        QTest::newRow("across midnight") << "2009-05-11 23:59:30.000" << "2009-05-12 00:10:29.999" << false;
        QTest::newRow("seconds at :59") << "2009-05-11 08:00:59.000" << "2009-05-11 08:02:58.999" << false;
        QTest::newRow("one millisecond short of a minute") << "2009-05-11 08:00:00.001" << "2009-05-11 08:01:00.000"
                                                           << false;
        QTest::newRow("exactly a minute") << "2009-05-11 08:00:00.500" << "2009-05-11 08:01:00.500" << false;
        QTest::newRow("stop before start") << "2009-05-11 12:30:30.000" << "2009-05-11 08:00:00.000" << false;
        QTest::newRow("same moment") << "2009-05-11 08:00:00.000" << "2009-05-11 08:00:00.000" << false;
        QTest::newRow("across the new year") << "2008-12-31 23:59:59.999" << "2009-01-01 01:00:00.000" << false;
        QTest::newRow("four hundred days") << "2009-02-28 07:13:47.123" << "2010-04-04 19:01:02.456" << false;
        QTest::newRow("across leap day") << "2012-02-28 22:00:00.000" << "2012-03-01 02:00:00.000" << false;
        QTest::newRow("without milliseconds") << "2009-05-11 08:00:00" << "2009-05-11 09:29:59" << false;
        QTest::newRow("with a T") << "2009-05-11T08:00:00.000" << "2009-05-11T09:45:00.000" << false;
        QTest::newRow("days only") << "2009-05-11" << "2009-05-12" << false;
        QTest::newRow("open") << "2009-05-11 08:00:00.000" << "" << false;
        QTest::newRow("start no moment") << "garbage" << "2009-05-11 09:00:00.000" << true;
        QTest::newRow("stop empty text") << "2009-05-11 08:00:00.000" << "''" << true;
    }
    void recalcGivesWhatTheProgramCounts()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, embeddedOnly);
        if (embeddedOnly && TestDatabase::onServer())
            QSKIP("a server's TIMESTAMP column holds no such text");
        TestDatabase db;
        const QVariant stop = end.isEmpty() ? QVariant() : end == "''" ? QVariant(QString("")) : QVariant(end);
        db.exec("insert into PROJECTWORK (TIME_START,TIME_END,TIME_SPEND,COMPLETED) values (?,?,-1,1)", {start, stop});
        // Rows after it, so that the range of keys is not the row's alone.
        for (int i = 0; i < 2; ++i)
            db.exec("insert into PROJECTWORK (TIME_START,TIME_END,TIME_SPEND,COMPLETED) values "
                    "('2009-05-11 08:00:00.000','2009-05-11 10:00:00.000',9,1)");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        QVERIFY_SQL(monitor.RecalcTimeSpend());
        const QDateTime from = DbConnection::parseDateTime(start);
        const QDateTime to = DbConnection::parseDateTime(stop);
        const double expected = from.isValid() && to.isValid() ? TqvProjectMonitor::TimeSpendBetween(from, to) : -1;
        QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK where ID=1").toDouble(), expected);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where TIME_SPEND = 2").toInt(), 2);
    }

    void failedRecalcChangesNothing_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("the database refuses a row") << false;
        QTest::newRow("cancelled on the way") << true;
    }
    void failedRecalcChangesNothing()
    {
        QFETCH(bool, cancel);
        TestDatabase db;
        for (int i = 0; i < 5; ++i)
            db.exec("insert into PROJECTWORK (TIME_START,TIME_END,TIME_SPEND,COMPLETED) values "
                    "('2009-05-11 08:00:00.000','2009-05-11 10:00:00.000',9,1)");
        if (!cancel)
            db.refuseWrites("update", "PROJECTWORK", "row 4 refused", "NEW.ID = 4");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        try {
            monitor.RecalcTimeSpend([cancel](qint64, qint64) { return !cancel; });
            QFAIL("expected the recalculation to fail");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(cancel ? "cancelled" : "row 4 refused"), qPrintable(error.message()));
        }
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where TIME_SPEND = 9").toInt(), 5);
        QVERIFY(!db.connection().inTransaction());
    }

    // Two clients of the same developer: two Stops of the one open interval,
    // or two Starts, one after the other or at the same moment (each on its
    // own connection and thread). The write lock lets one win; the other
    // says what happened and writes nothing, so there is one closed row
    // after the Stops and one open row after the Starts.
    void twoClients_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("together");
        QTest::newRow("stop, then stop") << "stop" << false;
        QTest::newRow("stop and stop at once") << "stop" << true;
        QTest::newRow("start, then start") << "start" << false;
        QTest::newRow("start and start at once") << "start" << true;
    }
    void twoClients()
    {
        QFETCH(QString, action);
        QFETCH(bool, together);
        TestDatabase db;
        const bool stopping = action == "stop";
        if (stopping)
            db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) values "
                    "(4,2,'2009-05-11 08:00:00.000','','2009-05-11')");
        Clock::setNow(at("2009-05-11 08:00:00.000"));
        const ConnectionSettings settings = db.settings();
        // Both take the interval over before either acts; then they act at
        // once, or the second when the first is done.
        std::atomic<int> ready{0};
        std::atomic<bool> firstDone{false};
        QString outcome[2];
        auto client = [&](int index) {
            bool counted = false;
            try {
                DbConnection connection;
                settings.open(connection);
                TqvProjectMonitor monitor;
                monitor.setAdoConnection(&connection);
                monitor.DeveloperID = 2;
                monitor.ProjectID = 10 + index;
                monitor.OneOpenPerDeveloper = true;
                if (stopping && monitor.CheckIncompleteWork() == 0)
                    throw AppError("nothing to take over");
                ++ready;
                counted = true;
                while (ready.load() < 2 || (!together && index == 1 && !firstDone.load()))
                    std::this_thread::yield();
                if (stopping)
                    monitor.StopMonitoringAt(at("2009-05-11 09:00:00.000").addSecs(60 * (index + 1)));
                else
                    monitor.StartMonitoring();
                outcome[index] = "ok";
            } catch (const std::exception& error) {
                outcome[index] = QString::fromUtf8(error.what());
            }
            // A client that failed early leaves no other waiting.
            if (!counted)
                ++ready;
            if (index == 0)
                firstDone = true;
        };
        std::thread first(client, 0), second(client, 1);
        first.join();
        second.join();
        const int winner = outcome[0] == "ok" ? 0 : 1;
        QVERIFY2(outcome[winner] == "ok", qPrintable(outcome[0] + " / " + outcome[1]));
        QVERIFY2(outcome[1 - winner].contains("already"), qPrintable(outcome[1 - winner]));
        if (!together)
            QCOMPARE(winner, 0);
        QCOMPARE(db.count("PROJECTWORK"), 1);
        if (stopping) {
            QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
            QCOMPARE(db.scalar("select TIME_END from PROJECTWORK").toString(),
                     QStringLiteral("2009-05-11 09:0%1:00.000").arg(winner + 1));
            QCOMPARE(db.scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 1.0 + (winner + 1) / 60.0);
        } else {
            QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 0);
            QCOMPARE(db.scalar("select PROJECT_ID from PROJECTWORK").toInt(), 10 + winner);
        }
    }

    // Without the one-open-row rule (the default) a Start writes its row
    // whatever else is open.
    void startBesideAnOpenRowByDefault()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMPLETED) values "
                "(4,2,'2009-05-11 08:00:00.000',0)");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        monitor.DeveloperID = 2;
        QVERIFY_SQL(monitor.StartMonitoring());
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 2);
        monitor.OneOpenPerDeveloper = true;
        QVERIFY_SQL(monitor.StopMonitoring());
        QVERIFY_THROWS_EXCEPTION(AppError, monitor.StartMonitoring());
        QVERIFY(!monitor.Monitoring());
        QCOMPARE(monitor.CurrentWorkID(), 0);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
    }

    void refusedStartLeavesNoRowAndIdle()
    {
        TestDatabase db;
        db.refuseWrites("insert", "PROJECTWORK", "no inserts");
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, monitor.StartMonitoring());
        QVERIFY(!monitor.Monitoring());
        QCOMPARE(monitor.CurrentWorkID(), 0);
        QCOMPARE(db.count("PROJECTWORK"), 0);
    }

    void refusedStopKeepsMonitoring()
    {
        TestDatabase db;
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        QVERIFY_SQL(monitor.StartMonitoring());
        db.refuseWrites("update", "PROJECTWORK", "no updates");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, monitor.StopMonitoring());
        QVERIFY(monitor.Monitoring());
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 0);
        db.allowWrites();
        QVERIFY_SQL(monitor.StopMonitoring());
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
    }

    void lockedDatabaseFailsStartAfterTheBusyTimeout()
    {
        // The busy timeout is the embedded file's; a server's writer waits
        // for the lock until the holder ends (see twoClients).
        SKIP_ON_SERVER();
        TestDatabase db;
        DbConnection impatient;
        impatient.openSqlite(db.path(), 200);
        auto holder = db.openAnother();
        holder->beginTransaction();
        holder->exec("insert into CUSTOMER (NAME) values ('holding the lock')");

        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&impatient);
        QElapsedTimer waited;
        waited.start();
        try {
            monitor.StartMonitoring();
            QFAIL("expected a busy database");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().contains("locked", Qt::CaseInsensitive), qPrintable(error.message()));
        }
        QVERIFY(waited.elapsed() >= 150);
        QVERIFY(!monitor.Monitoring());
        holder->rollback();
        QCOMPARE(db.count("PROJECTWORK"), 0);
        QVERIFY_SQL(monitor.StartMonitoring());
        QVERIFY(monitor.Monitoring());
    }

    void destroyedConnectionIsLetGo()
    {
        TqvProjectMonitor monitor;
        {
            DbConnection connection;
            monitor.setAdoConnection(&connection);
            QCOMPARE(monitor.AdoConnection(), &connection);
        }
        QVERIFY(monitor.AdoConnection() == nullptr);
        QVERIFY_THROWS_EXCEPTION(AppError, monitor.StartMonitoring());
    }

    // A started interval is committed before Start returns: a process killed
    // right afterwards leaves an open row the next sign-in takes over.
    void startSurvivesAKilledProcess()
    {
        TestDatabase db;
        const ConnectionSettings settings = db.settings();
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            DbConnection connection;
            settings.open(connection);
            TqvProjectMonitor monitor;
            monitor.setAdoConnection(&connection);
            monitor.DeveloperID = 7;
            monitor.ProjectID = 3;
            monitor.StartMonitoring();
            raise(SIGKILL);
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));

        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&db.connection());
        monitor.DeveloperID = 7;
        QVERIFY(monitor.CheckIncompleteWork() > 0);
        QCOMPARE(db.scalar("select PROJECT_ID from PROJECTWORK where COMPLETED = 0").toInt(), 3);
    }
};

QTEST_GUILESS_MAIN(TestProjectMonitor)
#include "tst_ProjectMonitor.moc"
