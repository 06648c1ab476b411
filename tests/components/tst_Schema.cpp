#include "components/o_Schema.h"
#include "support/TestDatabase.h"

#include <QtTest>

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void freshDatabaseIsComplete()
    {
        TestDatabase db;
        QCOMPARE(Schema::check(db.connection()), QStringList());
    }

    // Everything the program writes must be accepted: zero and dangling
    // references, empty texts, duplicate assignments, open intervals.
    void acceptsWhatTheProgramWrites_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("project without customer") << "insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('',0,0)";
        QTest::newRow("dangling customer") << "insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('x',999,1)";
        QTest::newRow("empty customer texts") << "insert into CUSTOMER (CODE,NAME) values ('','')";
        QTest::newRow("user without developer") << "insert into USERS (DEVELOPER_ID,IS_ADMIN,[USERNAME],[PASSWORD]) values (0,2,'','')";
        QTest::newRow("duplicate assignment") << "insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1),(1,1)";
        QTest::newRow("open interval") << "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,DAY_START) values (5,5,'2009-05-11 08:00:00.000','','2009-05-11')";
        QTest::newRow("hand entry") << "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) values (0,0,'2009-05-11 08:00:00.000','2009-05-11 07:00:00.000',1,1)";
        QTest::newRow("all empty") << "insert into PROJECTWORK (PROJECT_ID) values (NULL)";
    }
    void acceptsWhatTheProgramWrites()
    {
        QFETCH(QString, statement);
        TestDatabase db;
        QVERIFY_SQL(db.exec(statement));
    }

    void completedDefaultsToZero()
    {
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID) values (1)");
        QCOMPARE(db.scalar("select COMPLETED from PROJECTWORK").toInt(), 0);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK where COMPLETED = 0").toInt(), 1);
    }

    void checkNamesWhatIsMissing()
    {
        TestDatabase db;
        db.exec("drop table CUSTOMER");
        db.exec("alter table USERS drop column PASSWORD");
        QCOMPARE(Schema::check(db.connection()),
                 QStringList({"table CUSTOMER is missing", "column USERS.PASSWORD is missing"}));
    }

    void sqlServerScriptCreatesTheSixTables()
    {
        const QStringList statements = Schema::statements(Schema::sqlServerScript());
        for (const Schema::Table& table : Schema::tables()) {
            const auto create = std::find_if(statements.begin(), statements.end(), [&](const QString& s) {
                return s.startsWith("CREATE TABLE " + table.name + " (");
            });
            QVERIFY2(create != statements.end(), qPrintable(table.name));
            for (const QString& column : table.columns)
                QVERIFY2(create->contains("\n    " + column + " "), qPrintable(table.name + "." + column));
        }
        QVERIFY(!Schema::sqlServerScript().contains("FOREIGN KEY"));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_Schema.moc"
