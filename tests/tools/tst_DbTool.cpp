#include "components/o_ConnectionSettings.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "support/TestDatabase.h"
#include "support/DbToolRun.h"
#include "tools/DbTool.h"
#include "toolkit/PasswordHash.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include "toolkit/Clock.h"

#include <QtTest>

class TestDbTool : public QObject
{
    Q_OBJECT

    static int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr)
    {
        return runDbTool(args, out, err);
    }

    // Runs the tool with text on its standard input.
    static int runWithInput(const QStringList& args, QString input, QString* out = nullptr, QString* err = nullptr)
    {
        return runDbTool(args, out, err, &input);
    }

    // An options file in the test's folder naming the test database.
    static QString optionsOf(const TestDatabase& db)
    {
        const QString file = QDir(db.folder()).filePath("options.ini");
        TqvOptionsManager options;
        options.setOptionsFileName(file);
        db.writeOptions(options);
        return file;
    }

    // "@" in args becomes the database: its file, or --options FILE.
    static QStringList naming(QStringList args, const TestDatabase& db, bool viaOptions)
    {
        const qsizetype at = args.indexOf("@");
        if (at < 0)
            return args;
        if (viaOptions) {
            args[at] = "--options";
            args.insert(at + 1, optionsOf(db));
        } else {
            args[at] = db.path();
        }
        return args;
    }

    static void passwordRows(bool viaOptions)
    {
        const auto newRow = [viaOptions](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(QString::fromLatin1(name) + (viaOptions ? ", options file" : "")));
        };
        newRow("set, standard input") << QStringList{"set-password", "@", "chidi", "--password-stdin"} << "new one\n"
                                      << QStringList{} << 0 << "chidi" << "new one" << "" << viaOptions;
        newRow("set, terminal") << QStringList{"set-password", "@", "chidi"} << "" << QStringList{"t", "t"} << 0
                                << "chidi" << "t" << "" << viaOptions;
        newRow("set, retyped differently") << QStringList{"set-password", "@", "chidi"} << "" << QStringList{"t", "u"}
                                           << 1 << "chidi" << "pw" << "differ" << viaOptions;
        newRow("set, no terminal") << QStringList{"set-password", "@", "chidi"} << "" << QStringList{} << 1 << "chidi"
                                   << "pw" << "--password-stdin" << viaOptions;
        newRow("set, empty") << QStringList{"set-password", "@", "chidi", "--password-stdin"} << "\n" << QStringList{}
                             << 1 << "chidi" << "pw" << "empty password" << viaOptions;
        newRow("set, name in another case") << QStringList{"set-password", "@", "Chidi", "--password-stdin"} << "x\n"
                                            << QStringList{} << 1 << "chidi" << "pw" << "did you mean chidi"
                                            << viaOptions;
        newRow("add, standard input") << QStringList{"add-user", "@", "dora", "--password-stdin"} << "d\n"
                                      << QStringList{} << 0 << "dora" << "d" << "" << viaOptions;
        newRow("add, name in another case") << QStringList{"add-user", "@", "CHIDI", "--password", "x"} << ""
                                            << QStringList{} << 1 << "chidi" << "pw" << "already taken by chidi"
                                            << viaOptions;
        newRow("add, empty name") << QStringList{"add-user", "@", " ", "--password", "x"} << "" << QStringList{} << 2
                                  << "chidi" << "pw" << "needs a name" << viaOptions;
    }

private slots:
    void initSampleAddUserCheck()
    {
        SKIP_ON_SERVER(); // a PATH; initThroughOptions and sampleThroughOptions cover the server
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
        QTest::addColumn<bool>("viaOptions"); // the database named by an options file, not its path
        for (const bool viaOptions : {false, true})
            passwordRows(viaOptions);
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
        QFETCH(bool, viaOptions);
        if (!viaOptions)
            SKIP_ON_SERVER();
        TestDatabase db;
        db.exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'admin',?),(2,0,'chidi','pw')",
                {PasswordHash::hash("secret")});
        args = naming(args, db, viaOptions);

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
        QCOMPARE(run(naming({"check", "@"}, db, viaOptions), &checked), chidiPlain ? 1 : 0);
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
        QTest::newRow("upgrade without path") << QStringList{"upgrade"} << 2;
        QTest::newRow("upgrade missing file") << QStringList{"upgrade", "/nonexistent/x.db"} << 1;
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

    void postgresScriptIsPrinted()
    {
        QString out;
        QCOMPARE(run({"postgres-script"}, &out), 0);
        QVERIFY(out.contains("CREATE TABLE PROJECTWORK"));
        QVERIFY(out.contains("GENERATED BY DEFAULT AS IDENTITY"));
    }

    // init --options creates the tables where the options point, once:
    // never over a database that has some of them.
    void initThroughOptions()
    {
        TestDatabase db;
        QString options = optionsOf(db);
        for (const Schema::Table& table : Schema::tables())
            db.exec(QStringLiteral("drop table %1").arg(table.name));
        for (const QString& later : {Schema::HistoryTable, Schema::LockTable})
            db.exec(QStringLiteral("drop table %1").arg(later));
        db.exec("drop table APPLIED_WRITES");
        QString out, err;
        const QString boss = TestDatabase::onServer() ? db.login("boss") : "boss";
        if (!TestDatabase::onServer()) {
            db.connection().close();
            QVERIFY(QFile::remove(db.path()));
        } else {
            // On a server init makes the roles too, which a login of the old
            // layout may not.
            QCOMPARE(run({"init", "--options", options}, &out, &err), 1);
            QVERIFY2(err.contains("needs a login that may create roles"), qPrintable(err));
            db.useSuperuser();
            options = optionsOf(db);
        }
        QCOMPARE(run({"init", "--options", options}, &out, &err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QCOMPARE(run({"check", "--options", options}, &out), 0);
        QVERIFY(out.contains("all tables"));
        QCOMPARE(run({"add-user", "--options", options, boss, "--password", "first", "--admin"}), 0);

        // A second init changes nothing, not even a half-created database.
        if (!TestDatabase::onServer())
            db.connection().openSqlite(db.path());
        db.exec("drop table PROJECTWORK");
        QCOMPARE(run({"init", "--options", options}, nullptr, &err), 1);
        QVERIFY2(err.contains(TestDatabase::onServer() ? "already has the tables" : "already exists"), qPrintable(err));
        QCOMPARE(db.scalar("select count(*) from USERS where USERNAME = ? and IS_ADMIN = 1", {boss}).toInt(), 1);
        QCOMPARE(run({"check", "--options", options}, &out), 1);
        QVERIFY(out.contains("table PROJECTWORK is missing"));
    }

    // Sample rows refer to each other by the keys they were given, whatever
    // the database held or counted before.
    void sampleThroughOptions_data()
    {
        QTest::addColumn<bool>("existingRows");
        QTest::addColumn<bool>("refusedRunFirst");
        QTest::newRow("empty database") << false << false;
        QTest::newRow("beside existing rows") << true << false;
        QTest::newRow("after a refused run") << false << true;
    }
    void sampleThroughOptions()
    {
        QFETCH(bool, existingRows);
        QFETCH(bool, refusedRunFirst);
        TestDatabase db;
        const QString options = optionsOf(db);
        if (existingRows) {
            db.exec("insert into CUSTOMER (CODE,NAME) values ('X1','Existing')");
            db.exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Existing','Person')");
            db.exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Existing',1,0)");
        }
        QString out, err;
        if (refusedRunFirst) {
            db.refuseWrites("insert", "PROJECTWORK", "no work today");
            QCOMPARE(run({"sample", "--options", options, "--intervals", "5"}, nullptr, &err), 1);
            QVERIFY2(err.contains("no work today"), qPrintable(err));
            db.allowWrites();
            for (const char* table : {"CUSTOMER", "DEVELOPERS", "USERS", "PROJECTS", "DEVELOPER_PROJECTS"})
                QCOMPARE(db.count(table), 0); // one transaction
        }
        QCOMPARE(run({"sample", "--options", options, "--intervals", "40"}, &out, &err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QCOMPARE(db.count("PROJECTWORK"), 40);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK_HISTORY where SOURCE = 'database tool'").toInt(), 40);
        QCOMPARE(db.count("USERS"), 6);
        QCOMPARE(db.scalar("select count(*) from USERS U where not exists (select 1 from DEVELOPERS D where "
                           "D.ID = U.DEVELOPER_ID and lower(D.NAME) = U.USERNAME)")
                     .toInt(),
                 0);
        QCOMPARE(db.scalar("select count(*) from PROJECTS P where P.DESCRIPTION <> 'Existing' and not exists "
                           "(select 1 from CUSTOMER C where C.ID = P.CUSTOMER_ID and C.CODE <> 'X1')")
                     .toInt(),
                 0);
        QCOMPARE(db.scalar("select count(*) from DEVELOPER_PROJECTS A where not exists (select 1 from DEVELOPERS D, "
                           "PROJECTS P where D.ID = A.DEVELOPER_ID and P.ID = A.PROJECT_ID and D.NAME <> 'Person' "
                           "and P.DESCRIPTION <> 'Existing')")
                     .toInt(),
                 0);
        QCOMPARE(db.scalar("select count(*) from PROJECTWORK W where not exists (select 1 from DEVELOPER_PROJECTS A "
                           "where A.DEVELOPER_ID = W.DEVELOPER_ID and A.PROJECT_ID = W.PROJECT_ID)")
                     .toInt(),
                 0);
        QCOMPARE(run({"check", "--options", options}, &out), 0);
    }

    // lock sets the date (before today) and the grace period in the
    // database, or lifts them; a refused one changes nothing.
    void lock_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // LOCKED_THROUGH|GRACE_DAYS afterwards
        QTest::newRow("a date") << QStringList{"2026-05-31"} << 0 << "Locked through 2026-05-31" << "2026-05-31|";
        QTest::newRow("with a grace period") << QStringList{"2026-05-31", "--grace-days", "30"} << 0
                                             << "today: intervals on or before 2026-05-31" << "2026-05-31|30";
        QTest::newRow("a grace period alone") << QStringList{"none", "--grace-days", "3"} << 0
                                              << "today: intervals on or before 2026-06-06" << "|3";
        QTest::newRow("today") << QStringList{"2026-06-10"} << 2 << "not before today" << "2026-04-30|";
        QTest::newRow("not a date") << QStringList{"31.05.2026"} << 2 << "no valid date" << "2026-04-30|";
        QTest::newRow("grace days not a number") << QStringList{"none", "--grace-days", "many"} << 2
                                                 << "--grace-days needs" << "2026-04-30|";
        QTest::newRow("none lifts it") << QStringList{"none"} << 0 << "Nothing is locked" << "|";
    }
    void lock()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        TestDatabase db;
        db.exec("update PERIOD_LOCK set LOCKED_THROUGH = '2026-04-30'");
        Clock::setNow(QDateTime(QDate(2026, 6, 10), QTime(9, 0)));
        QString out, err;
        QCOMPARE(run(QStringList{"lock", "--options", optionsOf(db)} + args, &out, &err), code);
        Clock::reset();
        QVERIFY2((out + err).contains(message), qPrintable(out + err));
        const QVariant grace = db.scalar("select GRACE_DAYS from PERIOD_LOCK");
        QCOMPARE(db.scalar("select LOCKED_THROUGH from PERIOD_LOCK").toString().left(10) + "|"
                     + (grace.isNull() ? QString() : grace.toString()),
                 stored);
    }

    // write-options writes what the settings window writes, and the program
    // reads it back; a file holding a login is its owner's alone.
    void writeOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdinText");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("server"); // server, database, user, password
        QTest::addColumn<QStringList>("paths"); // database file, workbook
        const QStringList defaults{Options::DefaultDataBasePath, Options::DefaultExcelPath};
        const QStringList none{"", "", "", ""};
        QTest::newRow("file, defaults") << QStringList{"--kind", "0"} << "" << 0 << none << defaults;
        QTest::newRow("file, paths")
            << QStringList{"--kind", "0", "--database-path", "data/team.db", "--excel-path", "out.xlsx"} << "" << 0
            << none << QStringList{"data/team.db", "out.xlsx"};
        QTest::newRow("postgres") << QStringList{"--kind", "2", "--server", "db.example:5433", "--database", "hours",
                                                 "--user", "hourwright", "--password-stdin"}
                                  << "s3;cr=t ü\n" << 2
                                  << QStringList{"db.example:5433", "hours", "hourwright", "s3;cr=t ü"} << defaults;
        QTest::newRow("sql server, no password")
            << QStringList{"--kind", "1", "--server", "mssql", "--database", "hours", "--user", "ädmin"} << "" << 1
            << QStringList{"mssql", "hours", "ädmin", ""} << defaults;
    }
    void writeOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, stdinText);
        QFETCH(int, kind);
        QFETCH(QStringList, server);
        QFETCH(QStringList, paths);
        QTemporaryDir dir;
        const QString file = dir.filePath("conf/options.ini");
        QString err;
        QCOMPARE(runWithInput(QStringList{"write-options", file} + args, stdinText, nullptr, &err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));

        TqvOptionsManager options;
        const ConnectionSettings read = ConnectionSettings::readFile(options, file);
        QCOMPARE(read.kind, kind);
        QCOMPARE(QStringList({read.serverName, read.dataBaseName, read.userName, read.password}), server);
        QCOMPARE(QStringList({options.ReadValue(Options::ExportSection, Options::DataBasePath, QString()).toString(),
                              options.ReadValue(Options::ExportSection, Options::ExcelPath, QString()).toString()}),
                 paths);
        // The user name and password are encoded, never plain in the file.
        QFile text(file);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(text.readAll());
        QVERIFY(content.contains("[ConnectionSettings]") && content.contains("[ExportSettings]"));
        const QString& user = server.at(2);
        const QString& password = server.at(3);
        if (!user.isEmpty())
            QVERIFY(!content.contains("UserName=" + user));
        if (!password.isEmpty())
            QVERIFY(!content.contains(password));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther;
        if (user.isEmpty() && password.isEmpty())
            return;
        QCOMPARE(QFileInfo(file).permissions() & others, QFileDevice::Permissions());

        // Written again with another value, the rest is kept, and so is the mode.
        QCOMPARE(run({"write-options", file, "--kind", QString::number(kind), "--database", "other"}), 0);
        const ConnectionSettings again = ConnectionSettings::readFile(options, file);
        QCOMPARE(QStringList({again.serverName, again.dataBaseName, again.userName, again.password}),
                 QStringList({server.at(0), "other", user, password}));
        QCOMPARE(QFileInfo(file).permissions() & others, QFileDevice::Permissions());
    }

    void writeOptionsRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdinText");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown kind") << QStringList{"--kind", "3", "--server", "s", "--database", "d"} << "" << 2
                                      << "no database kind";
        QTest::newRow("kind no number") << QStringList{"--kind", "pg"} << "" << 2 << "no database kind";
        QTest::newRow("no kind") << QStringList{"--server", "s"} << "" << 2 << "needs --kind";
        QTest::newRow("server missing") << QStringList{"--kind", "2", "--database", "d", "--user", "u"} << "" << 2
                                        << "needs --server";
        QTest::newRow("database missing") << QStringList{"--kind", "1", "--server", "s"} << "" << 2
                                          << "needs --database";
        QTest::newRow("server value for a file") << QStringList{"--kind", "0", "--server", "s"} << "" << 2
                                                 << "are for a server";
        QTest::newRow("file path for a server")
            << QStringList{"--kind", "2", "--server", "s", "--database", "d", "--database-path", "x.db"} << "" << 2
            << "for an SQLite file";
        QTest::newRow("no password on standard input")
            << QStringList{"--kind", "2", "--server", "s", "--database", "d", "--user", "u", "--password-stdin"} << ""
            << 1 << "holds no password";
        QTest::newRow("line break") << QStringList{"--kind", "2", "--server", "s", "--database", "d\nx"} << "" << 2
                                    << "line break";
        QTest::newRow("unknown option") << QStringList{"--kind", "0", "--colour", "red"} << "" << 1
                                        << "unexpected argument";
    }
    void writeOptionsRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, stdinText);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath("options.ini");
        QString out, err;
        QCOMPARE(runWithInput(QStringList{"write-options", file} + args, stdinText, &out, &err), code);
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(!QFileInfo::exists(file)); // nothing written
    }

    // Options written by the tool reach the test database on every kind.
    void writtenOptionsOpenTheDatabase()
    {
        TestDatabase db;
        const ConnectionSettings& settings = db.settings();
        const QString file = QDir(db.folder()).filePath("written.ini");
        QStringList args{"write-options", file, "--kind", QString::number(settings.kind)};
        if (TestDatabase::onServer())
            args << "--server" << settings.serverName << "--database" << settings.dataBaseName << "--user"
                 << settings.userName << "--password-stdin";
        else
            args << "--database-path" << "test.db";
        QString err;
        QCOMPARE(runWithInput(args, settings.password + "\n", nullptr, &err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QString out;
        QCOMPARE(run({"add-user", "--options", file, "eve", "--password", "pw"}), 0);
        QCOMPARE(run({"check", "--options", file}, &out), 0);
        QCOMPARE(db.scalar("select count(*) from USERS where USERNAME = 'eve'").toInt(), 1);
    }

    // What the database commands refuse before touching a database.
    void optionsRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("backup of a server") << QStringList{"backup", "--options", "@server"} << "server's own tools";
        QTest::newRow("no kind in the options")
            << QStringList{"check", "--options", "@nokind"} << "names no database";
        QTest::newRow("path and options") << QStringList{"check", "x.db", "--options", "@server"} << "not both";
        QTest::newRow("missing options file") << QStringList{"init", "--options", "@missing"} << "does not exist";
        QTest::newRow("server not answering") << QStringList{"init", "--options", "@server"} << "";
    }
    void optionsRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        TqvOptionsManager options;
        options.setOptionsFileName(dir.filePath("server.ini"));
        options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 2);
        options.WriteValue(Options::ConnectionSection, Options::ServerName, "127.0.0.1:1");
        options.WriteValue(Options::ConnectionSection, Options::DataBaseName, "hours");
        options.setOptionsFileName(dir.filePath("nokind.ini"));
        options.WriteValue(Options::ExportSection, Options::ExcelPath, "x.xlsx");
        args.replaceInStrings(QRegularExpression("^@(.*)$"), dir.filePath("\\1.ini"));
        QString out, err;
        QCOMPARE(run(args, &out, &err), 1);
        QVERIFY2(!err.isEmpty() && err.contains(message), qPrintable(err));
        QVERIFY(out.isEmpty());
        QVERIFY(!QFileInfo::exists("x.db"));
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_DbTool.moc"
