#include "components/o_Schema.h"
#include "support/TestDatabase.h"
#include "support/DbToolRun.h"
#include "tools/DbTool.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestDbTool : public QObject
{
    Q_OBJECT

    static int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr)
    {
        return runDbTool(args, out, err);
    }

private slots:
    void initSampleAddUserCheck()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("DataBase/hwr.db");
        QCOMPARE(run({"init", path}), 0);
        QVERIFY(QFileInfo::exists(path));
        QString err;
        QCOMPARE(run({"init", path}, nullptr, &err), 1);
        QVERIFY(err.contains("already exists"));
        QCOMPARE(run({"sample", path, "--intervals", "100"}), 0);
        QCOMPARE(run({"add-user", path, "boss", "--password", "it's secret", "--admin", "--developer", "2"}), 0);
        QString out;
        QCOMPARE(run({"check", path}, &out), 0);
        QVERIFY(out.contains("all tables"));

        DbConnection connection;
        connection.openSqlite(path);
        QSqlQuery q = connection.exec("select count(*) from PROJECTWORK where COMPLETED = 1");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 100);
        QSqlQuery user = connection.exec("select IS_ADMIN, DEVELOPER_ID, PASSWORD from USERS where USERNAME = 'boss'");
        QVERIFY(user.next());
        QCOMPARE(user.value(0).toInt(), 1);
        QCOMPARE(user.value(1).toInt(), 2);
        QCOMPARE(user.value(2).toString(), QStringLiteral("it's secret"));
        // Sample durations agree with their start and end.
        QSqlQuery wrong = connection.exec(
            "select count(*) from PROJECTWORK where abs(TIME_SPEND * 60 - "
            "cast((julianday(TIME_END) - julianday(TIME_START)) * 1440 as integer)) > 0.001");
        QVERIFY(wrong.next());
        QCOMPARE(wrong.value(0).toInt(), 0);
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("nothing") << QStringList() << 2;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2;
        QTest::newRow("init without path") << QStringList{"init"} << 2;
        QTest::newRow("add-user without password") << QStringList{"add-user", "x.db", "bob"} << 2;
        QTest::newRow("add-user bad developer") << QStringList{"add-user", "x.db", "bob", "--password", "p", "--developer", "me"} << 2;
        QTest::newRow("option without value") << QStringList{"add-user", "x.db", "bob", "--password"} << 1;
        QTest::newRow("check missing file") << QStringList{"check", "/nonexistent/x.db"} << 1;
        QTest::newRow("sample bad count") << QStringList{"sample", "x.db", "--intervals", "many"} << 2;
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QString err;
        QCOMPARE(run(args, nullptr, &err), code);
        QVERIFY(!err.isEmpty());
        QVERIFY(!QFileInfo::exists("x.db"));
    }

    void sqlServerScriptIsPrinted()
    {
        QString out;
        QCOMPARE(run({"sqlserver-script"}, &out), 0);
        QVERIFY(out.contains("CREATE TABLE PROJECTWORK"));
        QVERIFY(out.contains("IDENTITY(1,1)"));
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_DbTool.moc"
