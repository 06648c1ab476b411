#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "support/DbToolRun.h"
#include "support/MainWindowFixture.h"
#include "toolkit/AppError.h"

#include <QtTest>

#include <libpq-fe.h>

// The team server guards who may do what: a person who connects with their
// own login through libpq alone, not through the program, can do no more
// than the program would let them.
class TestTeamServer : public QObject
{
    Q_OBJECT

    struct Outcome
    {
        QString refusal; // the server's message; empty when the statement ran
        int rows = 0;    // rows it changed
    };

    // One statement on a connection of the person's own, through libpq.
    static Outcome asPerson(const ConnectionSettings& settings, const QString& user, const QString& password,
                            const QString& sql)
    {
        const QString server = settings.serverName;
        const int colon = int(server.lastIndexOf(':'));
        const QByteArray info = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
                                    .arg(server.left(colon), server.mid(colon + 1), settings.dataBaseName, user,
                                         password)
                                    .toUtf8();
        Outcome outcome;
        PGconn* conn = PQconnectdb(info.constData());
        if (PQstatus(conn) != CONNECTION_OK) {
            outcome.refusal = QString::fromUtf8(PQerrorMessage(conn));
        } else {
            PGresult* result = PQexec(conn, sql.toUtf8().constData());
            const ExecStatusType status = PQresultStatus(result);
            if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
                outcome.rows = QByteArray(PQcmdTuples(result)).toInt();
            else
                outcome.refusal = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
            PQclear(result);
        }
        PQfinish(conn);
        return outcome;
    }

    // Every row of every table, as one text: what "nothing changed" means.
    // The passwords' column can be left out.
    static QString everything(DbConnection& connection, bool passwords = true)
    {
        QStringList parts;
        for (const Schema::Table& table : Schema::tables()) {
            QStringList columns = table.columns;
            if (!passwords)
                columns.removeAll("PASSWORD");
            parts << TestDatabase::scalarOf(connection,
                                            QStringLiteral("select coalesce(string_agg(concat_ws(',', %1), '|' "
                                                           "order by ID), '') from %2")
                                                .arg(columns.join(','), table.name))
                         .toString();
        }
        return parts.join('\n');
    }

    static void addIntervals(TestDatabase& db)
    {
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMMENTS,COMPLETED) "
                "values (1,1,'2026-05-11 08:00:00','2026-05-11 09:00:00',1,'Anna''s',1),"
                "(2,2,'2026-05-11 08:00:00','2026-05-11 10:00:00',2,'Chidi''s',1)");
    }

private slots:
    void init() { SKIP_ON_FILE(); }

    void personsAreKeptToTheirRights_data()
    {
        enum Expected { Refused, NoRow, Done };
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("expected");
        const auto member = [](const char* name, const char* sql, int expected) {
            QTest::newRow(name) << "chidi" << QString::fromLatin1(sql) << expected;
        };
        member("make oneself administrator", "update USERS set IS_ADMIN = 1 where USERNAME = session_user", Refused);
        member("join the administrators' group", "grant {db}_admins to current_user", Refused);
        member("read the passwords' column", "select PASSWORD from USERS", Refused);
        member("read the server's verifiers", "select rolpassword from pg_authid", Refused);
        member("add a user", "select people.add_user('mallory', 'SCRAM-SHA-256$4096:x', 1, 0)", Refused);
        member("set a password in the table", "update USERS set PASSWORD = 'plain' where USERNAME = '{db}_admin'",
               Refused);
        member("change another developer's interval", "update PROJECTWORK set TIME_SPEND = 99 where DEVELOPER_ID = 1",
               NoRow);
        member("delete another developer's interval", "delete from PROJECTWORK where DEVELOPER_ID = 1", NoRow);
        member("insert an interval of another developer",
               "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (1,1,0)", Refused);
        member("hand one's interval to another developer",
               "update PROJECTWORK set DEVELOPER_ID = 1 where DEVELOPER_ID = 2", Refused);
        member("write a project", "insert into PROJECTS (DESCRIPTION) values ('Mine')", Refused);
        member("rename a developer", "update DEVELOPERS set NAME = 'Mallory'", Refused);
        member("drop an assignment", "delete from DEVELOPER_PROJECTS", Refused);
        member("create a role", "create role {db}_mallory login", Refused);
        member("create a table", "create table MINE (ID integer)", Refused);
        member("change the owner's password", "alter role {db}_owner password 'x'", Refused);
        member("correct one's own interval", "update PROJECTWORK set COMMENTS = 'mine' where DEVELOPER_ID = 2", Done);
        member("start one's own interval", "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (2,2,0)",
               Done);
        member("record the ID of one's write", "insert into APPLIED_WRITES (WRITE_ID,WORK_ID) values ('w-1',1)", Done);
        member("forget the ID of a write", "delete from APPLIED_WRITES", Refused);
        QTest::newRow("administrator writes a project")
            << "admin" << "insert into PROJECTS (DESCRIPTION) values ('New')" << int(Done);
        QTest::newRow("administrator corrects anyone's interval")
            << "admin" << "update PROJECTWORK set COMMENTS = 'fixed' where DEVELOPER_ID = 2" << int(Done);
        QTest::newRow("administrator adds a person")
            << "admin" << "select people.add_user('{db}_dora', 'SCRAM-SHA-256$4096:c2FsdA==$c3Q=:c2U=', 0, 2)"
            << int(Done);
        QTest::newRow("administrator writes the users' table")
            << "admin" << "update USERS set IS_ADMIN = 1 where USERNAME = '{db}_chidi'" << int(Refused);
    }
    void personsAreKeptToTheirRights()
    {
        QFETCH(QString, user);
        QFETCH(QString, sql);
        QFETCH(int, expected);
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        addIntervals(db);
        db.usePersonalLogins();
        const QString before = everything(db.connection());
        const Outcome outcome = asPerson(db.settings(), db.login(user), user == "admin" ? "secret" : "pw",
                                         sql.replace("{db}", db.settings().dataBaseName));
        QCOMPARE(outcome.refusal.isEmpty(), expected != 0);
        if (expected == 2) {
            QVERIFY(outcome.rows > 0);
            return;
        }
        QCOMPARE(outcome.rows, 0);
        QCOMPARE(everything(db.connection()), before);
    }

    // The history and the locked period hold for psql as for the program:
    // every change is recorded with the login that made it, a member cannot
    // touch the period locked through 2026-05-31 (except to stop what still
    // runs) nor the history, an administrator can.
    void historyAndLockHoldOutsideTheProgram_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refusal"); // a part of the server's message; empty: done
        QTest::addColumn<QString>("recorded"); // the action recorded for the login; empty: none
        const QString locked = "The period through 2026-05-31 is locked";
        QTest::newRow("member corrects an open day") << "chidi" << "update PROJECTWORK set COMMENTS = 'x' where ID = 3"
                                                     << "" << "update";
        QTest::newRow("member changes a locked interval")
            << "chidi" << "update PROJECTWORK set COMMENTS = 'x' where ID = 2" << locked << "";
        QTest::newRow("member moves an open one into the lock")
            << "chidi" << "update PROJECTWORK set DAY_START = '2026-05-30' where ID = 3" << locked << "";
        QTest::newRow("member deletes a locked interval") << "chidi" << "delete from PROJECTWORK where ID = 2" << locked
                                                          << "";
        QTest::newRow("member inserts into the lock")
            << "chidi"
            << "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMPLETED) values (2,2,'2026-05-20 08:00',1)"
            << locked << "";
        QTest::newRow("member stops what runs across the lock date")
            << "chidi"
            << "update PROJECTWORK set TIME_END = '2026-06-02 09:00', COMPLETED = 1, COMMENTS = 'done' where ID = 4"
            << "" << "update";
        QTest::newRow("member rewrites the history") << "chidi" << "update PROJECTWORK_HISTORY set CHANGED_BY = 'x'"
                                                     << "permission denied" << "";
        QTest::newRow("member deletes the history") << "chidi" << "delete from PROJECTWORK_HISTORY"
                                                    << "permission denied" << "";
        QTest::newRow("member lifts the lock") << "chidi" << "update PERIOD_LOCK set LOCKED_THROUGH = null"
                                               << "permission denied" << "";
        QTest::newRow("administrator corrects a locked interval")
            << "admin" << "update PROJECTWORK set COMMENTS = 'fixed' where ID = 2" << "" << "update";
        QTest::newRow("administrator deletes a locked interval") << "admin" << "delete from PROJECTWORK where ID = 1"
                                                                 << "" << "delete";
    }
    void historyAndLockHoldOutsideTheProgram()
    {
        QFETCH(QString, user);
        QFETCH(QString, sql);
        QFETCH(QString, refusal);
        QFETCH(QString, recorded);
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        addIntervals(db);
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,DAY_START) "
                "values (2,2,'2026-06-01 08:00:00','2026-06-01 09:00:00',1,1,'2026-06-01')");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMPLETED) "
                "values (2,2,'2026-05-31 22:00:00',0)");
        db.usePersonalLogins();
        db.exec("update PERIOD_LOCK set LOCKED_THROUGH = '2026-05-31'");
        const QString before = everything(db.connection());
        const qint64 history = db.count("PROJECTWORK_HISTORY");
        const Outcome outcome = asPerson(db.settings(), db.login(user), user == "admin" ? "secret" : "pw", sql);
        QVERIFY2(refusal.isEmpty() ? outcome.refusal.isEmpty() : outcome.refusal.contains(refusal),
                 qPrintable(outcome.refusal));
        if (!refusal.isEmpty()) {
            QCOMPARE(everything(db.connection()), before);
            QCOMPARE(db.count("PROJECTWORK_HISTORY"), history);
            return;
        }
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK_HISTORY where CHANGED_BY = ? and ACTION = ? "
                           "and SOURCE = 'sql'",
                           {db.login(user), recorded})
                     .toInt(),
                 1);
    }

    // upgrade turns a database of one shared login into one login per
    // person and keeps every row; run again, it changes nothing.
    void upgradeKeepsEveryRow()
    {
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        addIntervals(db);
        db.exec("update USERS set USERNAME = ? || USERNAME", {db.settings().dataBaseName + "_"});
        const QString before = everything(db.connection(), false);

        TqvOptionsManager options;
        const QString file = QDir(db.folder()).filePath("setup.ini");
        options.setOptionsFileName(file);
        const ConnectionSettings admin = TestDatabase::adminSettings(db.settings().dataBaseName);
        options.WriteValue(Options::ConnectionSection, Options::DatabaseType, admin.kind);
        options.WriteValue(Options::ConnectionSection, Options::ServerName, admin.serverName);
        options.WriteValue(Options::ConnectionSection, Options::DataBaseName, admin.dataBaseName);
        options.WriteEncodedValue(Options::ConnectionSection, Options::UserName, admin.userName);
        QString out, err;
        QCOMPARE(runDbTool({"upgrade", "--options", file}, &out, &err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QVERIFY2(out.contains("still need a server password") && out.contains(db.login("chidi")), qPrintable(out));
        QVERIFY2(out.contains("DROP ROLE \"" + db.settings().userName + "\""), qPrintable(out));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.openAnother()); // the shared login is out

        DbConnection superuser;
        admin.open(superuser);
        const QString after = everything(superuser, false);
        QCOMPARE(after, before);
        QVERIFY(after.contains("Chidi's"));
        // The program's hashes, of no use to the server, are all that went.
        QCOMPARE(TestDatabase::scalarOf(superuser, "select count(*) from USERS where PASSWORD is not null").toInt(), 0);
        QCOMPARE(TestDatabase::scalarOf(superuser, "select count(*) from pg_roles where rolname = ?",
                                        {db.login("chidi")}).toInt(), 1);
        QCOMPARE(runDbTool({"upgrade", "--options", file}, &out, &err), 0);
        QCOMPARE(everything(superuser, false), before);
    }
};

QTEST_GUILESS_MAIN(TestTeamServer)
#include "tst_TeamServer.moc"
