#include "components/o_Schema.h"
#include "support/TestDatabase.h"
#include "support/DbToolRun.h"
#include "tools/DbTool.h"
#include "toolkit/PasswordHash.h"

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
        QVERIFY(PasswordHash::verify(user.value(2).toString(), QStringLiteral("it's secret")));
        // The sample users' passwords are hashes too.
        QSqlQuery anna = connection.exec("select PASSWORD from USERS where USERNAME = 'anna'");
        QVERIFY(anna.next());
        QVERIFY(PasswordHash::verify(anna.value(0).toString(), QStringLiteral("changeme")));
        // Sample durations agree with their start and end.
        QSqlQuery wrong = connection.exec(
            "select count(*) from PROJECTWORK where abs(TIME_SPEND * 60 - "
            "cast((julianday(TIME_END) - julianday(TIME_START)) * 1440 as integer)) > 0.001");
        QVERIFY(wrong.next());
        QCOMPARE(wrong.value(0).toInt(), 0);
    }

    // set-password and add-user take the password from standard input or
    // ask twice on the terminal; check lists what is still plain text.
    void passwords_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdinText");
        QTest::addColumn<QStringList>("typed"); // answers to the prompts; empty: no terminal
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("user"); // whose password is then checked
        QTest::addColumn<QString>("password"); // what it must be
        QTest::addColumn<QString>("message");
        QTest::newRow("set, standard input") << QStringList{"set-password", "@", "chidi", "--password-stdin"}
                                             << "new one\n" << QStringList{} << 0 << "chidi" << "new one" << "";
        QTest::newRow("set, terminal") << QStringList{"set-password", "@", "chidi"} << "" << QStringList{"t", "t"} << 0
                                       << "chidi" << "t" << "";
        QTest::newRow("set, retyped differently") << QStringList{"set-password", "@", "chidi"} << ""
                                                  << QStringList{"t", "u"} << 1 << "chidi" << "pw" << "differ";
        QTest::newRow("set, no terminal") << QStringList{"set-password", "@", "chidi"} << "" << QStringList{} << 1
                                          << "chidi" << "pw" << "--password-stdin";
        QTest::newRow("set, empty") << QStringList{"set-password", "@", "chidi", "--password-stdin"} << "\n"
                                    << QStringList{} << 1 << "chidi" << "pw" << "empty password";
        QTest::newRow("set, name in another case") << QStringList{"set-password", "@", "Chidi", "--password-stdin"}
                                                   << "x\n" << QStringList{} << 1 << "chidi" << "pw" << "did you mean chidi";
        QTest::newRow("add, standard input") << QStringList{"add-user", "@", "dora", "--password-stdin"} << "d\n"
                                             << QStringList{} << 0 << "dora" << "d" << "";
        QTest::newRow("add, name in another case") << QStringList{"add-user", "@", "CHIDI", "--password", "x"} << ""
                                                   << QStringList{} << 1 << "chidi" << "pw" << "already taken by chidi";
        QTest::newRow("add, empty name") << QStringList{"add-user", "@", " ", "--password", "x"} << ""
                                         << QStringList{} << 2 << "chidi" << "pw" << "needs a name";
    }
    void passwords()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, stdinText);
        QFETCH(QStringList, typed);
        QFETCH(int, code);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        TestDatabase db;
        db.exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'admin',?),(2,0,'chidi','pw')",
                {PasswordHash::hash("secret")});
        args.replaceInStrings("@", db.path());

        QString out, err;
        QTextStream in(&stdinText), outStream(&out), errStream(&err);
        DbTool tool(outStream, errStream);
        tool.setInput(&in);
        tool.setPasswordPrompt([&typed](const QString&) -> std::optional<QString> {
            if (typed.isEmpty())
                return std::nullopt;
            return typed.takeFirst();
        });
        QCOMPARE(tool.run(args), code);
        outStream.flush();
        errStream.flush();
        QVERIFY2(err.contains(message), qPrintable(err));
        const QString stored = db.scalar("select PASSWORD from USERS where USERNAME = ?", {user}).toString();
        if (code == 0)
            QVERIFY(PasswordHash::verify(stored, password));
        else
            QCOMPARE(stored, password); // unchanged

        // chidi's plain text is listed (exit 1) until it is replaced.
        const bool chidiPlain = db.scalar("select PASSWORD from USERS where USERNAME = 'chidi'").toString() == "pw";
        QString checked;
        QCOMPARE(run({"check", db.path()}, &checked), chidiPlain ? 1 : 0);
        QCOMPARE(checked.contains("user chidi: password stored as plain text"), chidiPlain);
        QVERIFY(!checked.contains("user admin"));
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
