#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/SqlQuery.h"
#include "tools/SampleData.h"

#include "support/TestDatabase.h"

#include <QtTest>

Q_DECLARE_METATYPE(FieldType)

namespace {

const char* const workStatement =
    " select\r PW.ID\r,PW.PROJECT_ID\r,PW.DEVELOPER_ID\r,PW.TIME_START\r,PW.TIME_END\r,PW.COMMENTS\r"
    ",PW.TIME_SPEND\r,PW.COMPLETED\r,PW.DAY_START\r,PW.DAY_END\r"
    ",DEV.LASTNAME || ' ' || DEV.NAME as DEVELOPER_NAME\r,P.DESCRIPTION                 as PROJECT_NAME\r"
    ",P.CUSTOMER_ID\r,CUS.NAME                      as CUSTOMER_NAME\r from\r(\r(\r(PROJECTWORK PW)\r\r"
    "left join  PROJECTS    P         on  P.ID   = PW.PROJECT_ID)\r\r"
    "left join   DEVELOPERS  DEV  on DEV.ID = PW.DEVELOPER_ID)\r\r"
    "left join CUSTOMER    CUS   on CUS.ID = P.CUSTOMER_ID\r";

} // namespace

class TestSqlQuery : public QObject
{
    Q_OBJECT

private slots:
    void declaredTypes_data()
    {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QString>("literal");
        QTest::addColumn<bool>("native");
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<QVariant>("expected");

        for (bool native : {true, false}) {
            const char* how = native ? "native" : "through QSqlQuery";
            auto row = [&](const char* name) -> QTestData& { return QTest::addRow("%s, %s", name, how); };
            if (native) {
                // Only the driver's handle tells the declared type of these.
                row("DATETIME") << "DATETIME" << "'2009-05-11 08:00:00.250'" << native << FieldType::DateTime
                                << QVariant(QDateTime(QDate(2009, 5, 11), QTime(8, 0, 0, 250)));
                row("TIMESTAMP without milliseconds")
                    << "TIMESTAMP" << "'2009-05-11 08:00:00'" << native << FieldType::DateTime
                    << QVariant(QDateTime(QDate(2009, 5, 11), QTime(8, 0)));
                row("DATETIME in ISO form") << "DATETIME" << "'2009-05-11T22:15:30'" << native << FieldType::DateTime
                                            << QVariant(QDateTime(QDate(2009, 5, 11), QTime(22, 15, 30)));
                row("DATETIME as a day count") << "DATETIME" << "39944.25" << native << FieldType::DateTime
                                               << QVariant(QDateTime(QDate(2009, 5, 11), QTime(6, 0)));
                row("DATE") << "DATE" << "'2009-05-01'" << native << FieldType::Date << QVariant(QDate(2009, 5, 1));
                row("DATE that is no date") << "DATE" << "'someday'" << native << FieldType::Date << QVariant();
                row("BIGINT") << "BIGINT" << "9000000000" << native << FieldType::Integer
                              << QVariant(qlonglong(9000000000LL));
                row("DOUBLE PRECISION") << "DOUBLE PRECISION" << "0.25" << native << FieldType::Float << QVariant(0.25);
                row("FLOAT holding an integer") << "FLOAT" << "3" << native << FieldType::Float << QVariant(3.0);
                row("BOOLEAN") << "BOOLEAN" << "1" << native << FieldType::Boolean << QVariant(true);
                row("VARCHAR(20)") << "VARCHAR(20)" << "'x''y'" << native << FieldType::Text << QVariant("x'y");
            }
            row("INTEGER") << "INTEGER" << "42" << native << FieldType::Integer << QVariant(qlonglong(42));
            row("INTEGER null") << "INTEGER" << "null" << native << FieldType::Integer << QVariant();
            row("REAL") << "REAL" << "4.5" << native << FieldType::Float << QVariant(4.5);
            row("TEXT") << "TEXT" << "'Ünïcode'" << native << FieldType::Text << QVariant(QStringLiteral("Ünïcode"));
            row("TEXT empty") << "TEXT" << "''" << native << FieldType::Text << QVariant(QStringLiteral(""));
        }
    }
    void declaredTypes()
    {
        QFETCH(QString, declared);
        QFETCH(QString, literal);
        QFETCH(bool, native);
        QFETCH(FieldType, type);
        QFETCH(QVariant, expected);
        TestDatabase db;
        db.exec(QStringLiteral("create table T (V %1)").arg(declared));
        db.exec(QStringLiteral("insert into T (V) values (%1)").arg(literal));
        SqlQuery query(&db.connection(), QStringLiteral("select V from T"));
        query.setNativeReading(native);
        QVERIFY_SQL(query.open());
        QCOMPARE(query.fieldDef(0).type, type);
        QCOMPARE(query.recordCount(), 1);
        const QVariant value = query.value(QStringLiteral("v"));
        QCOMPARE(value.isNull(), expected.isNull());
        if (!expected.isNull()) {
            QCOMPARE(value.typeId(), expected.typeId());
            QCOMPARE(value, expected);
        }
    }

    void expressionColumns_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("sum") << "select 1+2 as X" << FieldType::Integer << QVariantList{qlonglong(3)};
        QTest::newRow("product") << "select 1.5*2 as X" << FieldType::Float << QVariantList{3.0};
        QTest::newRow("concatenation") << "select 'a' || 'b' as X" << FieldType::Text << QVariantList{"ab"};
        QTest::newRow("only nulls") << "select null as X" << FieldType::Text << QVariantList{QVariant()};
        QTest::newRow("first non-null value decides")
            << "select null as X union all select 5 union all select null" << FieldType::Integer
            << QVariantList{QVariant(), qlonglong(5), QVariant()};
        QTest::newRow("last key") << "select last_insert_rowid() as LAST_ID" << FieldType::Integer
                                  << QVariantList{qlonglong(0)};
    }
    void expressionColumns()
    {
        QFETCH(QString, sql);
        QFETCH(FieldType, type);
        QFETCH(QVariantList, values);
        TestDatabase db;
        SqlQuery query(&db.connection(), sql);
        QVERIFY_SQL(query.open());
        QCOMPARE(query.fieldDef(0).type, type);
        QCOMPARE(query.recordCount(), values.size());
        // union all gives no order guarantee; compare as sets of texts
        QStringList got, want;
        for (int r = 0; r < query.recordCount(); ++r)
            got << query.valueAt(r, 0).toString() + (query.valueAt(r, 0).isNull() ? "<null>" : "");
        for (const QVariant& value : values)
            want << value.toString() + (value.isNull() ? "<null>" : "");
        got.sort();
        want.sort();
        QCOMPARE(got, want);
    }

    void workRowsWithTheirNames()
    {
        TestDatabase db;
        QVERIFY_SQL(SampleData::fill(db.connection(), {3, 4, 6, 200}, QDateTime(QDate(2009, 6, 1), QTime(12, 0))));
        db.exec(QStringLiteral("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START) values (99,1,"
                               "'2009-06-01 09:00:00.000')"));
        SqlQuery query(&db.connection(), QString::fromLatin1(workStatement));
        QVERIFY(query.sql().contains(QLatin1Char('\r')));
        QVERIFY_SQL(query.open());
        QCOMPARE(query.fieldNames(),
                 QStringList({"ID", "PROJECT_ID", "DEVELOPER_ID", "TIME_START", "TIME_END", "COMMENTS", "TIME_SPEND",
                              "COMPLETED", "DAY_START", "DAY_END", "DEVELOPER_NAME", "PROJECT_NAME", "CUSTOMER_ID",
                              "CUSTOMER_NAME"}));
        const QList<FieldType> types{FieldType::Integer, FieldType::Integer, FieldType::Integer, FieldType::DateTime,
                                     FieldType::DateTime, FieldType::Text, FieldType::Float, FieldType::Integer,
                                     FieldType::Date, FieldType::Date, FieldType::Text, FieldType::Text,
                                     FieldType::Integer, FieldType::Text};
        for (int i = 0; i < types.size(); ++i)
            QCOMPARE(query.fieldDef(i).type, types.at(i));
        QCOMPARE(query.recordCount(), 201);

        // Every cell agrees with what the driver reads.
        QSqlQuery check = db.connection().exec(QString::fromLatin1(workStatement));
        int row = 0;
        while (check.next()) {
            QCOMPARE(query.valueAt(row, 0).toLongLong(), check.value(0).toLongLong());
            QCOMPARE(query.valueAt(row, 3).toDateTime(), DbConnection::parseDateTime(check.value(3)));
            QCOMPARE(query.valueAt(row, 6).isNull(), check.value(6).isNull());
            QCOMPARE(query.valueAt(row, 6).toDouble(), check.value(6).toDouble());
            QCOMPARE(query.valueAt(row, 8).toDate(), check.value(8).toDate());
            QCOMPARE(query.valueAt(row, 10).toString(), check.value(10).toString());
            QCOMPARE(query.valueAt(row, 11).isNull(), check.value(11).isNull());
            QCOMPARE(query.valueAt(row, 13).toString(), check.value(13).toString());
            ++row;
        }
        QCOMPARE(row, 201);
        // The interval of a project that is gone has no names.
        QVERIFY(query.locate(QStringLiteral("PROJECT_ID"), 99));
        QVERIFY(query.value(QStringLiteral("PROJECT_NAME")).isNull());
        QVERIFY(query.value(QStringLiteral("TIME_END")).isNull());
    }

    void errorCarriesTheDriversText()
    {
        TestDatabase db;
        for (bool native : {true, false}) {
            SqlQuery query(&db.connection(), QStringLiteral("select * from NOPE"));
            query.setNativeReading(native);
            try {
                query.open();
                QFAIL("no error");
            } catch (const DatabaseError& error) {
                QVERIFY2(error.message().contains(QStringLiteral("no such table: NOPE")), qPrintable(error.message()));
            }
            QVERIFY(!query.isActive());
        }
    }

    void closedConnectionIsAnError()
    {
        DbConnection connection;
        SqlQuery query(&connection, QStringLiteral("select 1"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, query.open());
        SqlQuery none;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, none.open());
    }

    void reopeningReadsAgain()
    {
        TestDatabase db;
        db.exec(QStringLiteral("insert into CUSTOMER (CODE,NAME) values ('A','Alpha')"));
        SqlQuery query(&db.connection(), QStringLiteral("select ID,NAME from CUSTOMER"));
        query.open();
        QCOMPARE(query.recordCount(), 1);
        db.exec(QStringLiteral("insert into CUSTOMER (CODE,NAME) values ('B','Beta')"));
        query.open(); // already open: nothing
        QCOMPARE(query.recordCount(), 1);
        query.close();
        QVERIFY(!query.isActive());
        query.open();
        QCOMPARE(query.recordCount(), 2);

        query.setSql(QStringLiteral("select CODE from CUSTOMER"));
        QVERIFY(!query.isActive());
        query.open();
        QCOMPARE(query.fieldNames(), QStringList{"CODE"});
    }

    void rowsAreAWorkingCopy()
    {
        TestDatabase db;
        db.exec(QStringLiteral("insert into CUSTOMER (CODE,NAME) values ('A','Alpha')"));
        SqlQuery query(&db.connection(), QStringLiteral("select ID,NAME from CUSTOMER"));
        query.open();
        query.setValue(QStringLiteral("NAME"), QStringLiteral("Changed"));
        query.post();
        QCOMPARE(db.scalar(QStringLiteral("select NAME from CUSTOMER")).toString(), QStringLiteral("Alpha"));
    }

    void readsInsideTheOpenTransaction()
    {
        TestDatabase db;
        TransactionGuard transaction(db.connection());
        db.connection().exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna')"));
        SqlQuery query(&db.connection(), QStringLiteral("select last_insert_rowid() as LAST_ID"));
        query.open();
        QCOMPARE(query.value(QStringLiteral("LAST_ID")).toLongLong(), 1);
    }

    void repeatedNamesAreMadeUnique()
    {
        TestDatabase db;
        db.exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna')"));
        db.exec(QStringLiteral("insert into USERS (DEVELOPER_ID,USERNAME) values (1,'anna')"));
        SqlQuery query(&db.connection(),
                       QStringLiteral("select U.ID, D.ID, U.USERNAME from USERS U join DEVELOPERS D on D.ID = U.DEVELOPER_ID"));
        query.open();
        QCOMPARE(query.fieldNames(), QStringList({"ID", "ID_1", "USERNAME"}));
    }

    void emptyStatementIsAnError()
    {
        TestDatabase db;
        SqlQuery query(&db.connection(), QStringLiteral("  \r "));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, query.open());
    }
};

QTEST_GUILESS_MAIN(TestSqlQuery)
#include "tst_SqlQuery.moc"
