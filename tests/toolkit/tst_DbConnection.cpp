#include "support/TestDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"

#include <QFileInfo>
#include <QThread>
#include <QTemporaryDir>
#include <QtTest>

class TestDbConnection : public QObject
{
    Q_OBJECT

private slots:
    void missingFileIsNotCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("DataBase/hwr.db");
        DbConnection connection;
        try {
            connection.openSqlite(path);
            QFAIL("opening a missing file must fail");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!connection.isOpen());
    }

    void opensWalAndStoresDatesAsText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a b#c?.db"); // characters that need escaping in a URI
        {
            DbConnection creator;
            creator.createSqlite(path);
            creator.exec("create table T (D DATE, DT DATETIME, F INTEGER)");
        }
        DbConnection connection;
        connection.openSqlite(path);
        QVERIFY(connection.isSqlite());
        QCOMPARE(connection.exec("PRAGMA journal_mode").next(), true);
        QSqlQuery mode = connection.exec("PRAGMA journal_mode");
        QVERIFY(mode.next());
        QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
        const QDateTime moment(QDate(2009, 5, 31), QTime(23, 59, 58, 7));
        connection.exec("insert into T values (?,?,?)", {moment.date(), moment, true});
        QSqlQuery row = connection.exec("select D, DT, F, D <= '2009-05-31' from T");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), QStringLiteral("2009-05-31"));
        QCOMPARE(row.value(1).toString(), QStringLiteral("2009-05-31 23:59:58.007"));
        QCOMPARE(row.value(2).toInt(), 1);
        QCOMPARE(row.value(3).toInt(), 1);
        QCOMPARE(DbConnection::parseDateTime(row.value(1)), moment);
    }

    void parseDateTime_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("with ms") << QVariant("2009-05-11 08:00:00.250")
                                 << QDateTime(QDate(2009, 5, 11), QTime(8, 0, 0, 250));
        QTest::newRow("without ms") << QVariant("2009-05-11 08:00:01") << QDateTime(QDate(2009, 5, 11), QTime(8, 0, 1));
        QTest::newRow("iso T") << QVariant("2009-05-11T08:00:01.5") << QDateTime(QDate(2009, 5, 11), QTime(8, 0, 1, 500));
        QTest::newRow("date only") << QVariant("2009-05-11") << QDateTime(QDate(2009, 5, 11), QTime(0, 0));
        QTest::newRow("null") << QVariant() << QDateTime();
        QTest::newRow("garbage") << QVariant("soon") << QDateTime();
    }
    void parseDateTime()
    {
        QFETCH(QVariant, stored);
        QFETCH(QDateTime, expected);
        QCOMPARE(DbConnection::parseDateTime(stored), expected);
    }

    void errorsCarryTheDriverText()
    {
        QTemporaryDir dir;
        DbConnection connection;
        connection.createSqlite(dir.filePath("e.db"));
        try {
            connection.exec("select * from NO_SUCH_TABLE");
            QFAIL("expected an error");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().contains("no such table"), qPrintable(error.message()));
        }
    }

    void guardRollsBackUnlessCommitted()
    {
        QTemporaryDir dir;
        DbConnection connection;
        connection.createSqlite(dir.filePath("g.db"));
        connection.exec("create table T (X INTEGER)");
        try {
            TransactionGuard transaction(connection);
            connection.exec("insert into T values (1)");
            throw AppError("midway");
        } catch (const AppError&) {
        }
        QVERIFY(!connection.inTransaction());
        {
            TransactionGuard transaction(connection);
            connection.exec("insert into T values (2)");
            transaction.commit();
        }
        QSqlQuery rows = connection.exec("select group_concat(X) from T");
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toString(), QStringLiteral("2"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.commit());
    }

    // Date-times keep their milliseconds and their local wall-clock time on
    // every kind, whatever time zone a server session runs in, and compare
    // with the stored text form.
    void datesKeepLocalTimeOnEveryKind()
    {
        TestDatabase db;
        if (TestDatabase::onServer())
            db.exec("set time zone 'Pacific/Auckland'");
        const QDateTime moment(QDate(2009, 5, 31), QTime(23, 59, 58, 7));
        db.exec("insert into PROJECTWORK (TIME_START,DAY_START) values (?,?)", {moment, moment.date()});
        QCOMPARE(db.scalar("select TIME_START from PROJECTWORK").toString(), QStringLiteral("2009-05-31 23:59:58.007"));
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where TIME_START = ? and DAY_START <= ?",
                           {QStringLiteral("2009-05-31 23:59:58.007"), QStringLiteral("2009-05-31")})
                     .toInt(),
                 1);
        QSqlQuery row = db.connection().exec("select TIME_START from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(DbConnection::parseDateTime(row.value(0)), moment);
    }

    // A write transaction waits for another client's to end before it
    // begins, so a check that reads before it writes sees every write: of
    // the whole database, or of the same developer (a partition), and a
    // writer of the whole database for every developer's. On a server two
    // developers' writers do not wait for each other.
    void writersFollowOneAnother_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("waits");
        const int whole = DbConnection::WholeDatabase;
        QTest::newRow("whole database twice") << whole << whole << true;
        QTest::newRow("a developer, then the whole database") << 1 << whole << true;
        QTest::newRow("the whole database, then a developer") << whole << 1 << true;
        QTest::newRow("one developer twice") << 1 << 1 << true;
        QTest::newRow("two developers") << 1 << 2 << !TestDatabase::onServer();
    }
    void writersFollowOneAnother()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, waits);
        TestDatabase db;
        auto other = db.openAnother();
        db.connection().beginTransaction(first);
        db.exec("insert into DEVELOPERS (LASTNAME) values ('first')");
        QAtomicInt began = 0;
        QThread* writer = QThread::create([&db, &began, second] {
            auto late = db.openAnother();
            TransactionGuard transaction(*late, second);
            began = 1;
            QSqlQuery seen = late->exec("select count(*) from DEVELOPERS");
            seen.next();
            late->exec("insert into DEVELOPERS (LASTNAME) values (?)", {QString::number(seen.value(0).toInt())});
            seen.finish();
            transaction.commit();
        });
        writer->start();
        if (waits) {
            QTest::qWait(500);
            QCOMPARE(int(began), 0);
        } else {
            QTRY_COMPARE(int(began), 1);
        }
        db.connection().commit();
        QVERIFY(writer->wait(10000));
        delete writer;
        // The second writer counted the first one's row when it waited for it.
        QCOMPARE(db.scalar("select LASTNAME from DEVELOPERS where LASTNAME <> 'first'").toString(),
                 QStringLiteral("%1").arg(waits ? 1 : 0));
    }

    // A server whose default makes a backslash in a quoted text an escape
    // still stores a program's text as written, quoted or bound; and the
    // server sees which program is connected.
    void backslashInATextIsABackslash_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::newRow("quoted") << false;
        QTest::newRow("bound") << true;
    }
    void backslashInATextIsABackslash()
    {
        SKIP_ON_FILE();
        QFETCH(bool, bound);
        TestDatabase db;
        const QString name = db.settings().dataBaseName;
        db.exec(QStringLiteral("alter database %1 set standard_conforming_strings = off").arg(name));
        auto resetDefault = qScopeGuard(
            [&] { db.exec(QStringLiteral("alter database %1 reset standard_conforming_strings").arg(name)); });
        auto client = db.openAnother();
        const QString text = QStringLiteral("C:\\new\\x' or '1'='1");
        if (bound)
            client->exec(QStringLiteral("insert into CUSTOMER (NAME) values (?)"), {text});
        else
            client->exec(QStringLiteral("insert into CUSTOMER (NAME) values ('C:\\new\\x'' or ''1''=''1')"));
        QSqlQuery stored = client->exec("select NAME, current_setting('application_name') from CUSTOMER");
        QVERIFY(stored.next());
        QCOMPARE(stored.value(0).toString(), text);
        QCOMPARE(stored.value(1).toString(), QCoreApplication::applicationName());
    }

    // A statement the server refused inside a transaction is freed once the
    // transaction ends, not left prepared for the life of the connection.
    void refusedStatementIsFreed()
    {
        SKIP_ON_FILE();
        TestDatabase db;
        db.refuseWrites("insert", "CUSTOMER", "no customers");
        for (int i = 0; i < 3; ++i) {
            TransactionGuard transaction(db.connection());
            QVERIFY_THROWS_EXCEPTION(DatabaseError,
                                     db.connection().exec("insert into CUSTOMER (NAME) values (?)", {QString::number(i)}));
        }
        QCOMPARE(db.scalar("select count(*) from pg_prepared_statements").toInt(), 0);
    }

    // Result names read as the statement wrote them, in upper case, on
    // every kind.
    void resultNamesAreUpperCase()
    {
        TestDatabase db;
        db.exec("insert into CUSTOMER (CODE,NAME) values ('NW','Northwind')");
        QSqlQuery query = db.connection().exec("select ID, NAME as CUSTOMER_NAME from CUSTOMER");
        MemTable table;
        table.loadFromQuery(query);
        QCOMPARE(table.fieldNames(), (QStringList{"ID", "CUSTOMER_NAME"}));
    }

    void closeTellsHolders()
    {
        QTemporaryDir dir;
        DbConnection connection;
        connection.createSqlite(dir.filePath("c.db"));
        QSignalSpy spy(&connection, &DbConnection::aboutToClose);
        connection.close();
        QCOMPARE(spy.count(), 1);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.exec("select 1"));
    }
};

QTEST_GUILESS_MAIN(TestDbConnection)
#include "tst_DbConnection.moc"
