#include "components/o_Dialect.h"
#include "components/o_Schema.h"
#include "components/o_SharedStatements.h"
#include "toolkit/SqlTemplate.h"
#include "support/TestDatabase.h"

#include <QtTest>

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    // A database made by an older version gets what was added since: the
    // embedded file by itself when the program opens it, a server's only
    // when its administrator upgrades it; a second upgrade changes nothing.
    void laterAdditions_data()
    {
        QTest::addColumn<QString>("removal");
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<bool>("serverOnly");
        const QString recording = "the server's recording of PROJECTWORK_HISTORY";
        QTest::newRow("hand-entry mark") << "alter table PROJECTWORK drop column HAND_ENTRY"
                                         << QStringList{"column PROJECTWORK.HAND_ENTRY"} << false;
        QTest::newRow("history") << "drop table PROJECTWORK_HISTORY"
                                 << (TestDatabase::onServer() ? QStringList{"table PROJECTWORK_HISTORY", recording}
                                                              : QStringList{"table PROJECTWORK_HISTORY"})
                                 << false;
        QTest::newRow("lock") << "drop table PERIOD_LOCK" << QStringList{"table PERIOD_LOCK"} << false;
        QTest::newRow("the server's trigger") << "drop trigger hw_work_history on PROJECTWORK"
                                              << QStringList{recording} << true;
        QTest::newRow("write IDs") << "drop table APPLIED_WRITES" << QStringList{"table APPLIED_WRITES"} << false;
    }
    void laterAdditions()
    {
        QFETCH(QString, removal);
        QFETCH(QStringList, missing);
        QFETCH(bool, serverOnly);
        if (serverOnly && !TestDatabase::onServer())
            QSKIP("only a server writes the history itself");
        TestDatabase db;
        db.exec(removal);
        QStringList said;
        for (const QString& name : missing)
            said << name + " is missing (hourwright-db upgrade adds it)";
        QCOMPARE(Schema::check(db.connection()), said);
        Schema::upgradeOwnFile(db.connection());
        QCOMPARE(Schema::check(db.connection()).isEmpty(), !TestDatabase::onServer());
        // The trigger of a history table that was dropped is still there.
        QCOMPARE(Schema::upgrade(db.connection()),
                 TestDatabase::onServer() ? QStringList{missing.first()} : QStringList());
        QCOMPARE(Schema::upgrade(db.connection()), QStringList());
        QCOMPARE(Schema::check(db.connection()), QStringList());
    }

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
        QVERIFY_SQL(db.exec(Dialect::quotedNames(db.settings().kind, statement)));
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

    // The servers' scripts, whichever kind this run has; a run on the
    // server also checks its tables with Schema::check (above).
    void serverScriptCreatesTheSixTables_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("SQL Server") << Schema::sqlServerScript();
        QTest::newRow("PostgreSQL") << Schema::postgresScript();
    }
    void serverScriptCreatesTheSixTables()
    {
        QFETCH(QString, script);
        const QStringList statements = Schema::statements(script);
        // Columns an upgrade adds are in a new database from the start.
        QList<Schema::Table> expected = Schema::tables();
        for (const Schema::Addition& addition : Schema::additions()) {
            const QStringList words = addition.name.split(QRegularExpression("[ .]"));
            if (words.first() == "column")
                expected << Schema::Table{words.at(1), {words.at(2)}};
            else if (words.first() == "table")
                expected << Schema::Table{words.at(1), {}};
        }
        for (const Schema::Table& table : expected) {
            const auto create = std::find_if(statements.begin(), statements.end(), [&](const QString& s) {
                return s.startsWith("CREATE TABLE " + table.name + " (");
            });
            QVERIFY2(create != statements.end(), qPrintable(table.name));
            for (const QString& column : table.columns)
                QVERIFY2(create->contains("\n    " + column + " "), qPrintable(table.name + "." + column));
        }
        QVERIFY(!script.contains("FOREIGN KEY"));
    }

    // Values the program writes come back as they were: texts bound or
    // written as the dialect's literals, date-times with their milliseconds,
    // dates, fractions of hours and the ends of the integer range.
    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        auto text = [](const char* name, const QString& value) {
            QTest::newRow(name) << "CUSTOMER" << "NAME" << QVariant(value);
        };
        text("quotes and SQL", QStringLiteral("O'Brien \"x\"; drop table USERS; --"));
        text("backslashes", QStringLiteral("C:\\temp\\new\\"));
        text("backslash before a quote", QStringLiteral("\\'; delete from CUSTOMER; --"));
        text("placeholders", QStringLiteral("100% ? :NAME $1 $$ %s %d"));
        text("non-Latin", QStringLiteral("Überprüfung 検証 проверка ✓ 🕑"));
        text("line breaks and tabs", QStringLiteral("a\r\nb\tc\n"));
        text("leading and trailing blanks", QStringLiteral("  padded  "));
        text("100,000 characters", QString(100000, QLatin1Char('x')) + QStringLiteral("end"));
        text("empty", QStringLiteral(""));
        auto value = [](const char* name, const char* column, const QVariant& value) {
            QTest::newRow(name) << "PROJECTWORK" << column << value;
        };
        value("milliseconds", "TIME_START", QDateTime(QDate(2009, 5, 11), QTime(23, 59, 59, 999)));
        value("first millisecond", "TIME_END", QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0, 1)));
        value("leap day", "DAY_START", QDate(2000, 2, 29));
        value("a minute in hours", "TIME_SPEND", 1.0 / 60);
        value("largest key", "PROJECT_ID", 2147483647);
        value("negative", "DEVELOPER_ID", -1);
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        TestDatabase db;
        QVERIFY_SQL(db.exec(QStringLiteral("insert into %1 (%2) values (?)").arg(table, column), {value}));
        const QString read = QStringLiteral("select %2 from %1 order by ID").arg(table, column);
        const QVariant stored = db.scalar(read);
        QVERIFY(!stored.isNull());
        if (value.typeId() == QMetaType::Double)
            QVERIFY2(stored.toDouble() == value.toDouble(), qPrintable(QString::number(stored.toDouble(), 'g', 17)));
        else
            QCOMPARE(stored.toString(), TestDatabase::asStored(value).toString());
        if (value.typeId() != QMetaType::QString)
            return;
        const QString text = value.toString();
        db.exec(QStringLiteral("delete from %1").arg(table));
        QVERIFY_SQL(db.exec(QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(table, column, Dialect::textLiteral(db.settings().kind, text))));
        QCOMPARE(db.scalar(read).toString(), text);
        QVERIFY(!db.scalar(read).isNull());
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from %1 where %2 = ?").arg(table, column), {text}).toInt(),
                 1);

        // The users window's templates write texts into the statement.
        const int kind = db.settings().kind;
        using SqlTemplate::fill;
        QVERIFY_SQL(db.exec(fill(SharedStatements::userInsertTemplate(kind),
                                 {SqlValue::integer(1), SqlValue::integer(0), SqlValue::text(text),
                                  SqlValue::text(text + "!")})));
        QCOMPARE(db.scalar("select USERNAME from USERS").toString(), text);
        QCOMPARE(db.scalar("select PASSWORD from USERS").toString(), text + "!");
        const int id = db.scalar("select ID from USERS").toInt();
        QVERIFY_SQL(db.exec(fill(SharedStatements::userUpdateTemplate(kind),
                                 {SqlValue::integer(2), SqlValue::integer(1), SqlValue::text(text + "?"),
                                  SqlValue::text(QString()), SqlValue::integer(id)})));
        QCOMPARE(db.scalar("select USERNAME from USERS").toString(), text + "?");
        QCOMPARE(db.scalar("select PASSWORD from USERS").toString(), text + "!");
        QCOMPARE(db.count("USERS"), 1);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_Schema.moc"
