#include "components/o_EntryWriter.h"
#include "components/o_Journal.h"
#include "components/o_JournalSender.h"
#include "components/o_WriteIds.h"
#include "support/TestDatabase.h"
#include "support/TestTimes.h"
#include "toolkit/Clock.h"

#include <QtTest>

namespace {

const TIntervalUser Ann{1, false};

JournalEntry entryOf(JournalEntry::Action action, const char* moment, int workId = 0)
{
    JournalEntry entry;
    entry.writeId = WriteIds::newId();
    entry.userName = QStringLiteral("ann");
    entry.action = action;
    entry.moment = at(moment);
    entry.developerId = 1;
    entry.projectId = 1;
    entry.workId = workId;
    return entry;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cleanup() { Clock::reset(); }

    // What is kept comes back as it was, in order, from a journal opened
    // anew (after Terminate or a crash); a missing comment stays missing.
    void entriesSurviveReopening()
    {
        const QString path = m_dir.filePath("kept.db");
        JournalEntry edit = entryOf(JournalEntry::Edit, "2026-05-11 17:18:51", 42);
        edit.comment = QStringLiteral("line one\nline \"two\"");
        edit.newEnd = at("2026-05-11 17:30:00");
        TInterval read;
        read.id = 42;
        read.start = at("2026-05-11 08:00:00");
        read.completed = true;
        edit.expected = read;
        JournalEntry stop = entryOf(JournalEntry::Stop, "2026-05-11 17:20:00");
        stop.startRef = edit.writeId;
        {
            TJournal journal(path);
            for (JournalEntry* entry : {&edit, &stop}) {
                entry->target = "db";
                journal.record(*entry);
            }
        }
        TJournal reopened(path);
        const QList<JournalEntry> waiting = reopened.waiting("db", "ann");
        QCOMPARE(waiting.size(), 2);
        QCOMPARE(waiting[0].writeId, edit.writeId);
        QCOMPARE(waiting[0].comment, edit.comment);
        QCOMPARE(waiting[0].newEnd, edit.newEnd);
        QCOMPARE(waiting[0].expected->start, read.start);
        QVERIFY(waiting[0].expected->completed);
        QCOMPARE(waiting[1].moment, at("2026-05-11 17:20:00"));
        QVERIFY(!waiting[1].comment);
        QCOMPARE(waiting[1].startRef, edit.writeId);
        QCOMPARE(reopened.waitingCount("db", "someone else"), 0);
    }

    // A write repeated after its answer was lost (the same write ID) changes
    // nothing the second time and still counts as written; also on a
    // database made before the table of write IDs.
    void entryWrittenTwiceIsWrittenOnce_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("withTable");
        for (const bool withTable : {true, false}) {
            const char* suffix = withTable ? "" : ", older database";
            QTest::newRow(qPrintable(QStringLiteral("start%1").arg(suffix))) << int(JournalEntry::Start) << withTable;
            QTest::newRow(qPrintable(QStringLiteral("stop%1").arg(suffix))) << int(JournalEntry::Stop) << withTable;
        }
        QTest::newRow("edit") << int(JournalEntry::Edit) << true;
    }
    void entryWrittenTwiceIsWrittenOnce()
    {
        QFETCH(int, action);
        QFETCH(bool, withTable);
        TestDatabase db;
        if (!withTable)
            db.exec("drop table APPLIED_WRITES");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,COMPLETED,DAY_START) values "
                "(1,1,'2026-05-11 08:00:00.000','',0,'2026-05-11')");
        if (action == JournalEntry::Start)
            db.exec("update PROJECTWORK set COMPLETED = 1, TIME_END = '2026-05-11 09:00:00.000'");
        Clock::setNow(at("2026-05-11 12:00:00"));
        JournalEntry entry = entryOf(JournalEntry::Action(action), "2026-05-11 10:00:00", 1);
        entry.newStart = at("2026-05-11 07:30:00");
        TEntryWriter writer(db.connection(), Ann);
        const TEntryWriter::Outcome first = writer.write(entry);
        QCOMPARE(int(first.kind), int(TEntryWriter::Outcome::Written));
        // Another client changes the row after the first write was answered.
        db.openAnother()->exec("update PROJECTWORK set COMMENTS = 'later' where ID = 1");
        const TEntryWriter::Outcome again = writer.write(entry);
        QCOMPARE(int(again.kind), int(TEntryWriter::Outcome::Written));
        QCOMPARE(again.workId, first.workId);
        QCOMPARE(db.count("PROJECTWORK"), action == JournalEntry::Start ? 2 : 1);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMMENTS = 'later'").toInt(), 1);
    }

    // Sent later from the journal, a write is recorded with where and when
    // the user acted, and meets the locked period as it stands: a Stop of
    // what runs across the lock date goes in, an edit is refused with the date.
    void sentLaterMeetsTheLockAndKeepsTheMoment_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("written");
        QTest::newRow("stop across the lock date") << int(JournalEntry::Stop) << true;
        QTest::newRow("edit in the locked period") << int(JournalEntry::Edit) << false;
    }
    void sentLaterMeetsTheLockAndKeepsTheMoment()
    {
        QFETCH(int, action);
        QFETCH(bool, written);
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,COMPLETED,DAY_START) values "
                "(1,1,'2026-05-31 22:00:00.000','',0,'2026-05-31')");
        db.exec("update PERIOD_LOCK set LOCKED_THROUGH = '2026-05-31'");
        TJournal journal(m_dir.filePath("later.db"));
        Clock::setNow(at("2026-06-01 09:00:00"));
        JournalEntry entry = entryOf(JournalEntry::Action(action), "2026-06-01 08:30:00", 1);
        entry.comment = QStringLiteral("late");
        entry.source = WorkSource::ForgottenStop;
        // A running interval's comment may change; its start may not.
        if (!written)
            entry.newStart = at("2026-05-31 21:00:00");
        entry.target = db.connection().parameters().target();
        journal.record(entry);
        Clock::setNow(at("2026-06-01 11:00:00"));
        QList<TEntryWriter::Outcome> outcomes;
        TJournalSender::sendWaiting(journal, db.connection(), "ann", Ann,
                                    [&](const JournalEntry&, const TEntryWriter::Outcome& outcome, bool) {
                                        outcomes << outcome;
                                    });
        if (!written) {
            QCOMPARE(outcomes.size(), 1);
            QVERIFY2(outcomes.first().lockedThrough == QDate(2026, 5, 31), qPrintable(outcomes.first().message));
            QVERIFY2(outcomes.first().message.contains("The period through 2026-05-31 is locked"),
                     qPrintable(outcomes.first().message));
            QCOMPARE(db.scalar("select COMMENTS from PROJECTWORK").toString(), "");
            return;
        }
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
        QCOMPARE(db.scalar("select SOURCE from PROJECTWORK_HISTORY where ACTION = 'update'").toString(),
                 "forgotten-stop question");
        QCOMPARE(db.scalar("select ACTED_AT from PROJECTWORK_HISTORY where ACTION = 'update'").toString(),
                 "2026-06-01 09:00:00.000");
    }

    // Sent in order: a Stop whose interval was stopped elsewhere meanwhile is
    // set aside with the reason, neither dropped nor forced, and what comes
    // after it is still written.
    void entryMeetingAMovedRowIsSetAside()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,COMMENTS,COMPLETED,DAY_START) "
                "values (1,1,'2026-05-11 08:00:00.000','2026-05-11 09:00:00.000','',1,'2026-05-11')");
        TJournal journal(m_dir.filePath("aside.db"));
        JournalEntry stop = entryOf(JournalEntry::Stop, "2026-05-11 10:00:00", 1);
        // A journal file edited by hand: its write ID goes into no statement.
        JournalEntry planted = entryOf(JournalEntry::Start, "2026-05-11 10:01:00");
        planted.writeId = QStringLiteral("x'); delete from PROJECTWORK; --");
        JournalEntry start = entryOf(JournalEntry::Start, "2026-05-11 10:05:00");
        for (JournalEntry* entry : {&stop, &planted, &start}) {
            entry->target = db.connection().parameters().target();
            journal.record(*entry);
        }
        QStringList told;
        const int settled = TJournalSender::sendWaiting(journal, db.connection(), "ann", Ann,
                                                        [&](const JournalEntry&, const TEntryWriter::Outcome& outcome,
                                                            bool) { told << outcome.message; });
        QCOMPARE(settled, 3);
        QVERIFY2(told.first().contains("already stopped elsewhere"), qPrintable(told.first()));
        QVERIFY2(told.at(1).contains("not one Hourwright made"), qPrintable(told.at(1)));
        QCOMPARE(db.scalar("select TIME_END from PROJECTWORK where ID = 1").toString(), "2026-05-11 09:00:00.000");
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
        const QList<JournalEntry> aside = journal.takeUntold(stop.target, "ann");
        QCOMPARE(aside.size(), 2);
        QCOMPARE(aside.first().writeId, stop.writeId);
        QVERIFY(journal.takeUntold(stop.target, "ann").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_Journal.moc"
