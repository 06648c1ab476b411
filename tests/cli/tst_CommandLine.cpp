#include "cli/CommandLine.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_SignIn.h"
#include "support/MainWindowFixture.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/CsvWriter.h"
#include "toolkit/PasswordHash.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <optional>

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

    // How the next call gets its password and what it may do before a stop.
    std::optional<QString> m_environmentPassword;
    QString m_stdin;
    std::optional<QString> m_promptAnswer;
    QStringList m_prompts;
    std::function<void()> m_beforeStop;
    std::function<void()> m_beforeStart;

    Result cli(const QStringList& args)
    {
        Result result;
        QString in = m_stdin;
        QTextStream inStream(&in), outStream(&result.out), errStream(&result.err);
        CommandLine commandLine(inStream, outStream, errStream);
        QProcessEnvironment environment;
        if (m_environmentPassword)
            environment.insert(CommandLine::passwordVariable(), *m_environmentPassword);
        commandLine.setEnvironment(environment);
        commandLine.setPasswordPrompt([this](const QString& prompt) {
            m_prompts << prompt;
            return m_promptAnswer;
        });
        commandLine.setBeforeStopForTests(m_beforeStop);
        commandLine.setBeforeStartForTests(m_beforeStart);
        result.code = commandLine.run(args);
        return result;
    }
    // A call signed in as `user` through the environment.
    Result as(MainWindowFixture& fixture, const QString& user, const QString& password, QStringList args)
    {
        m_environmentPassword = password;
        args << "--user" << user << "--options" << fixture.optionsPath();
        return cli(args);
    }

    static void addReportRows(TestDatabase& db)
    {
        const char* rows[][7] = {
            // project, developer, day start, day end, hours, start, end
            {"1", "1", "2026-05-01", "2026-05-01", "1.5", "2026-05-01 08:00:00.000", "2026-05-01 09:30:00.000"},
            {"2", "2", "2026-05-10", "2026-05-10", "0.25", "2026-05-10 10:00:00.000", "2026-05-10 10:15:00.000"},
            {"2", "1", "2026-05-31", "2026-05-31", "2", "2026-05-31 13:00:00.000", "2026-05-31 15:00:00.000"},
            {"3", "2", "2026-04-30", "2026-05-01", "8", "2026-04-30 22:00:00.000", "2026-05-01 06:00:00.000"},
            {"3", "3", "2026-06-01", "2026-06-01", "1", "2026-06-01 09:00:00.000", "2026-06-01 10:00:00.000"},
        };
        for (const auto& row : rows)
            db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,DAY_START,DAY_END,TIME_SPEND,TIME_START,TIME_END,"
                    "COMMENTS,COMPLETED) values (?,?,?,?,?,?,?,'',1)",
                    {row[0], row[1], row[2], row[3], QString(row[4]).toDouble(), row[5], row[6]});
        // Still running, and one entered by hand (no days): neither is reported.
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,DAY_START,TIME_START,COMPLETED) "
                "values (2,2,'2026-05-12','2026-05-12 08:00:00.000',0)");
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) "
                "values (1,2,'2026-05-13 08:00:00.000','2026-05-13 09:00:00.000',1,1)");
    }

private slots:
    void init()
    {
        m_environmentPassword.reset();
        m_stdin.clear();
        m_promptAnswer.reset();
        m_prompts.clear();
        m_beforeStop = {};
        m_beforeStart = {};
    }
    void cleanup() { Clock::reset(); }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "usage:";
        QTest::newRow("unknown command") << QStringList{"pause", "--user", "chidi"} << "unknown command: pause";
        QTest::newRow("unknown option") << QStringList{"status", "--user", "chidi", "--frobnicate"} << "frobnicate";
        QTest::newRow("no user") << QStringList{"status"} << "needs --user";
        QTest::newRow("extra argument") << QStringList{"status", "now", "--user", "chidi"} << "unexpected argument: now";
        QTest::newRow("user twice") << QStringList{"status", "--user", "a", "--user", "b"} << "more than once";
        QTest::newRow("option of another command") << QStringList{"status", "--user", "chidi", "--csv"}
                                                   << "--csv does not go with status";
        QTest::newRow("start without project") << QStringList{"start", "--user", "chidi"} << "needs --project";
        QTest::newRow("stop with a project") << QStringList{"stop", "--user", "chidi", "--project", "2"}
                                             << "--project does not go with stop";
        QTest::newRow("report without end") << QStringList{"report", "--user", "chidi", "--from", "2026-05-01"}
                                            << "needs --from DATE and --to DATE";
        QTest::newRow("report date not a date") << QStringList{"report", "--user", "chidi", "--from", "2026-13-01",
                                                               "--to", "2026-12-31"}
                                                << "yyyy-MM-dd";
        QTest::newRow("report date in another form") << QStringList{"report", "--user", "chidi", "--from", "01.05.2026",
                                                                    "--to", "2026-12-31"}
                                                     << "yyyy-MM-dd";
        QTest::newRow("report range backwards") << QStringList{"report", "--user", "chidi", "--from", "2026-06-01",
                                                               "--to", "2026-05-01"}
                                                << "lies after";
        QTest::newRow("report developer not a number") << QStringList{"report", "--user", "chidi", "--from",
                                                                      "2026-05-01", "--to", "2026-05-31",
                                                                      "--developer", "Okafor"}
                                                       << "positive ID";
        QTest::newRow("report project zero") << QStringList{"report", "--user", "chidi", "--from", "2026-05-01",
                                                            "--to", "2026-05-31", "--project", "0"}
                                             << "positive ID";
        QTest::newRow("edit without ID") << QStringList{"edit", "--user", "chidi", "--comment", "x"} << "needs the interval's ID";
        QTest::newRow("edit ID not a number") << QStringList{"edit", "last", "--user", "chidi", "--comment", "x"}
                                              << "positive interval ID";
        QTest::newRow("edit with nothing to change") << QStringList{"edit", "1", "--user", "chidi"} << "at least one";
        QTest::newRow("edit time in another form") << QStringList{"edit", "1", "--user", "chidi", "--start",
                                                                  "11.05.2026 08:00"}
                                                   << "YYYY-MM-DD HH:MM";
        QTest::newRow("edit time out of range") << QStringList{"edit", "1", "--user", "chidi", "--stop",
                                                               "2026-05-11 24:30"}
                                                << "YYYY-MM-DD HH:MM";
        QTest::newRow("delete with a comment") << QStringList{"delete", "1", "--user", "chidi", "--comment", "x"}
                                               << "--comment does not go with delete";
        QTest::newRow("delete two") << QStringList{"delete", "1", "2", "--user", "chidi"} << "unexpected argument: 2";
        QTest::newRow("week in another form") << QStringList{"week", "--user", "chidi", "--week", "2026-20"}
                                              << "YYYY-Www";
        QTest::newRow("a week the year lacks") << QStringList{"week", "--user", "chidi", "--week", "2025-W53"}
                                               << "YYYY-Www";
        QTest::newRow("week with csv") << QStringList{"week", "--user", "chidi", "--csv"}
                                       << "--csv does not go with week";
        QTest::newRow("list range backwards") << QStringList{"list", "--user", "chidi", "--from", "2026-06-01", "--to",
                                                             "2026-05-01"}
                                              << "lies after";
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        MainWindowFixture fixture;
        m_environmentPassword = "pw";
        const Result result = cli(args);
        QCOMPARE(result.code, int(CommandLine::BadArguments));
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(fixture.db().count("PROJECTWORK"), 0);
    }

    void helpGoesToStandardOutput()
    {
        const Result result = cli({"--help"});
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.contains("report --from DATE --to DATE"));
        QVERIFY(result.err.isEmpty());
    }

    void signInRules_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::newRow("stored pair") << "chidi" << "pw" << 0;
        QTest::newRow("administrator") << "admin" << "secret" << 0;
        QTest::newRow("name in another case") << "CHIDI" << "pw" << 3;
        QTest::newRow("password in another case") << "admin" << "SECRET" << 3;
        QTest::newRow("wrong password") << "admin" << "secrets" << 3;
        QTest::newRow("password with a blank more") << "chidi" << "pw " << 3;
        QTest::newRow("unknown user") << "nobody" << "pw" << 3;
        QTest::newRow("empty pair") << "" << "" << 3;
        QTest::newRow("second of two names differing in case") << "Chidi" << "other" << 3;
        QTest::newRow("hashed") << "anna" << "Hash me" << 0;
        QTest::newRow("hashed, wrong") << "anna" << "hash me" << 3;
        QTest::newRow("master pair, refused by default") << "KZ" << "706" << 3;
        QTest::newRow("master pair, MasterLogin=1") << "KZ" << "706" << 0;
        QTest::newRow("master pair in lower case, MasterLogin=1") << "kz" << "706" << 0;
        QTest::newRow("master name, wrong password, MasterLogin=1") << "KZ" << "707" << 3;
        QTest::newRow("name with blanks around it") << " chidi  " << "pw" << 0;
    }
    void signInRules()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, code);
        if (TestDatabase::onServer() && user.startsWith("k", Qt::CaseInsensitive))
            code = 3; // a server knows no master pair, whatever the options say
        MainWindowFixture fixture;
        // Found first without regard to case, this row decides for "Chidi".
        fixture.db().exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (3,0,'Chidi','other')");
        static const QString hashed = PasswordHash::hash("Hash me"); // once for all rows
        fixture.db().exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna',?)", {hashed});
        if (QString(QTest::currentDataTag()).contains("MasterLogin=1"))
            GetOptionsManager()->WriteValue(Options::ProjectsSection, SignIn::masterLoginKey(), 1);
        const QString before =
            fixture.db().scalar("select PASSWORD from USERS where USERNAME = ?", {user.trimmed()}).toString();
        const Result result = as(fixture, user, password, {"status"});
        QCOMPARE(result.code, code);
        const QString after =
            fixture.db().scalar("select PASSWORD from USERS where USERNAME = ?", {user.trimmed()}).toString();
        if (code == 3) {
            QVERIFY2(result.err.contains("Wrong username or password"), qPrintable(result.err));
            QCOMPARE(after, before);
            return;
        }
        QCOMPARE(result.out, QStringLiteral("No interval is open.\n"));
        // A plain-text password is hashed by the command line's sign-in too.
        if (!user.startsWith("k", Qt::CaseInsensitive))
            QVERIFY(PasswordHash::verify(after, password));
    }

    void passwordSources_data()
    {
        QTest::addColumn<QString>("environment"); // "-" for unset
        QTest::addColumn<bool>("fromStdin");
        QTest::addColumn<QString>("stdinText");
        QTest::addColumn<QString>("prompted"); // "-" when the prompt has no terminal
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("asked");
        QTest::newRow("environment") << "pw" << false << "" << "-" << 0 << false;
        QTest::newRow("environment, even if empty") << "" << false << "" << "pw" << 3 << false;
        QTest::newRow("standard input wins") << "wrong" << true << "pw\nmore\n" << "-" << 0 << false;
        QTest::newRow("standard input with CRLF") << "-" << true << "pw\r\n" << "-" << 0 << false;
        QTest::newRow("standard input empty") << "-" << true << "" << "pw" << 2 << false;
        QTest::newRow("terminal") << "-" << false << "" << "pw" << 0 << true;
        QTest::newRow("terminal, wrong") << "-" << false << "" << "px" << 3 << true;
        QTest::newRow("no terminal") << "-" << false << "" << "-" << 2 << true;
    }
    void passwordSources()
    {
        QFETCH(QString, environment);
        QFETCH(bool, fromStdin);
        QFETCH(QString, stdinText);
        QFETCH(QString, prompted);
        QFETCH(int, code);
        QFETCH(bool, asked);
        MainWindowFixture fixture;
        if (environment != "-")
            m_environmentPassword = environment;
        m_stdin = stdinText;
        if (prompted != "-")
            m_promptAnswer = prompted;
        QStringList args{"status", "--user", "chidi", "--options", fixture.optionsPath()};
        if (fromStdin)
            args << "--password-stdin";
        const Result result = cli(args);
        QCOMPARE(result.code, code);
        QCOMPARE(m_prompts, asked ? QStringList{"Password for chidi: "} : QStringList{});
        if (code == 2)
            QVERIFY(result.err.contains(fromStdin ? "standard input" : "HOURWRIGHT_PASSWORD"));
    }

    void startStatusStop()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        Result result = as(fixture, "chidi", "pw", {"start", "--project", "Portal"});
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out, QStringLiteral("Started interval 1 on Portal for Okafor Chidi at 2026-05-11 09:00:00.\n"));
        QSqlQuery row = fixture.db().connection().exec(
            "select PROJECT_ID,DEVELOPER_ID,COMPLETED,DAY_START,TIME_START from PROJECTWORK");
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toInt(), 2);
        QCOMPARE(row.value(1).toInt(), 2);
        QCOMPARE(row.value(2).toInt(), 0);
        QCOMPARE(TestDatabase::asStored(row.value(3)).toString(), QStringLiteral("2026-05-11"));
        QCOMPARE(TestDatabase::asStored(row.value(4)).toString(), QStringLiteral("2026-05-11 09:00:00.000"));
        row.finish(); // a pending read would keep this connection on an old snapshot

        Clock::advance((90 * 60 + 5) * 1000);
        result = as(fixture, "admin", "secret", {"status"});
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out, QStringLiteral("Interval 1 is open for Okafor Chidi (developer 2) on Portal since "
                                            "2026-05-11 09:00:00, elapsed 01:30:05\n"));

        result = as(fixture, "chidi", "pw", {"start", "--project", "Inventory"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains("already open for Okafor Chidi: interval 1 on Portal"), qPrintable(result.err));
        QCOMPARE(fixture.db().count("PROJECTWORK"), 1);

        result = as(fixture, "chidi", "pw", {"stop"});
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out,
                 QStringLiteral("Stopped interval 1 on Portal for Okafor Chidi after 01:30:05 (1:30 h).\n"));
        QCOMPARE(fixture.db().scalar("select COMPLETED from PROJECTWORK").toInt(), 1);
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 1.5);
        QCOMPARE(fixture.db().scalar("select DAY_END from PROJECTWORK").toString(), QStringLiteral("2026-05-11"));

        result = as(fixture, "chidi", "pw", {"stop"});
        QCOMPARE(result.code, 1);
        QVERIFY(result.err.contains("No interval is open for Okafor Chidi."));
        QCOMPARE(as(fixture, "chidi", "pw", {"status"}).out, QStringLiteral("No interval is open.\n"));
    }

    // Another developer's open interval does not stop this one from starting.
    void intervalsAreKeptPerDeveloper()
    {
        MainWindowFixture fixture;
        QCOMPARE(as(fixture, "admin", "secret", {"start", "--project", "1"}).code, 0);
        QCOMPARE(as(fixture, "chidi", "pw", {"start", "--project", "2"}).code, 0);
        QCOMPARE(as(fixture, "chidi", "pw", {"stop"}).code, 0);
        QCOMPARE(fixture.db().scalar("select DEVELOPER_ID from PROJECTWORK where COMPLETED = 0").toInt(), 1);
        QCOMPARE(as(fixture, "chidi", "pw", {"status"}).out.count("is open for"), 1);
    }

    // passwd changes the signed-in user's own password: the hash of the
    // USERS row, or on a team server with one login per person, which then
    // checks the pair itself, the login's.
    void ownPassword()
    {
        MainWindowFixture fixture;
        QString chidi = "chidi";
        if (TestDatabase::onServer()) {
            fixture.db().usePersonalLogins();
            fixture.db().writeOptions(*GetOptionsManager());
            chidi = fixture.db().login("chidi");
        }
        QCOMPARE(as(fixture, chidi, "pw", {"start", "--project", "Portal"}).code, 0);
        QCOMPARE(as(fixture, chidi, "PW", {"status"}).code, 3);
        m_environmentPassword.reset();
        m_stdin = "pw\nnew one\n";
        const Result changed = cli({"passwd", "--user", chidi, "--options", fixture.optionsPath(), "--password-stdin"});
        QCOMPARE(changed.code, 0);
        QCOMPARE(changed.out, "Changed the password of " + chidi + ".\n");
        QCOMPARE(as(fixture, chidi, "pw", {"status"}).code, 3);
        QCOMPARE(as(fixture, chidi, "new one", {"stop"}).code, 0);
        QCOMPARE(fixture.db().scalar("select count(*) from PROJECTWORK where DEVELOPER_ID = 2 and COMPLETED = 1").toInt(),
                 1);
        // Typed twice on the terminal, the two must agree.
        m_stdin.clear();
        m_promptAnswer = "other";
        m_environmentPassword = "new one";
        QCOMPARE(cli({"passwd", "--user", chidi, "--options", fixture.optionsPath()}).code, 0);
        QCOMPARE(as(fixture, chidi, "other", {"status"}).code, 0);
    }

    void projectChoice_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("project");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("projectId"); // the started interval's, or the message's key
        QTest::addColumn<QString>("message");
        QTest::newRow("assigned project by ID") << "chidi" << "pw" << "3" << 0 << 3 << "";
        QTest::newRow("ID with leading zeros") << "chidi" << "pw" << "003" << 0 << 3 << "";
        QTest::newRow("name in another case") << "chidi" << "pw" << "inventory" << 0 << 3 << "";
        QTest::newRow("name with blanks around") << "chidi" << "pw" << "  Portal " << 0 << 2 << "";
        QTest::newRow("project not assigned, by name") << "chidi" << "pw" << "Billing" << 1 << 0
                                                       << "No project Billing among the projects of user chidi.";
        QTest::newRow("project not assigned, by ID") << "chidi" << "pw" << "1" << 1 << 0 << "No project 1";
        QTest::newRow("administrator takes any project") << "admin" << "secret" << "Billing" << 0 << 1 << "";
        QTest::newRow("name shared by two projects") << "admin" << "secret" << "portal" << 1 << 0
                                                     << "ambiguous (IDs 2, 4)";
        QTest::newRow("digits naming no ID are a name") << "admin" << "secret" << "2024" << 0 << 5 << "";
        QTest::newRow("no such project") << "admin" << "secret" << "Nowhere" << 1 << 0 << "No project Nowhere";
        QTest::newRow("user without developer") << "nodev" << "pw" << "2" << 1 << 0 << "linked to no developer";
        QTest::newRow("master pair has no developer") << "KZ" << "706" << "2" << 1 << 0 << "linked to no developer";
        QTest::newRow("master pair refused by default") << "kz" << "706" << "2" << 3 << 0 << "Wrong username";
    }
    void projectChoice()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, project);
        QFETCH(int, code);
        QFETCH(int, projectId);
        QFETCH(QString, message);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Portal',1,0),('2024',0,0)");
        if (user == "KZ") // the master pair in upper case runs with the recovery option on
            GetOptionsManager()->WriteValue(Options::ProjectsSection, SignIn::masterLoginKey(), 1);
        if (user == "KZ" && TestDatabase::onServer()) {
            code = 3; // not on a server
            message = "Wrong username";
        }
        const Result result = as(fixture, user, password, {"start", "--project", project});
        QCOMPARE(result.code, code);
        if (code == 0) {
            QCOMPARE(fixture.db().scalar("select PROJECT_ID from PROJECTWORK where COMPLETED = 0").toInt(), projectId);
        } else {
            QVERIFY2(result.err.contains(message), qPrintable(result.err));
            QCOMPARE(fixture.db().count("PROJECTWORK"), 0);
        }
    }

    // Another client starts an interval of the same developer between this
    // start's look for one and its insert: the developer still never has two
    // open intervals, and this start says why it wrote nothing.
    void startLosesTheRaceToAnotherStart()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        auto other = fixture.db().openAnother();
        TqvProjectMonitor window;
        window.setAdoConnection(other.get());
        window.DeveloperID = 2;
        window.ProjectID = 3;
        m_beforeStart = [&] { window.StartMonitoring(); };
        const Result result = as(fixture, "chidi", "pw", {"start", "--project", "Portal"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains("Interval 1 is already running for this developer"), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
        QCOMPARE(fixture.db().count("PROJECTWORK"), 1);
        QCOMPARE(fixture.db().scalar("select PROJECT_ID from PROJECTWORK where COMPLETED = 0").toInt(), 3);
    }

    // The window (or another command line) closes the interval between this
    // stop's look-up and its update: one close wins, this one says so.
    void stopLosesTheRaceToAnotherWriter()
    {
        MainWindowFixture fixture;
        Clock::setNow(at("2026-05-11 09:00:00"));
        QCOMPARE(as(fixture, "chidi", "pw", {"start", "--project", "Portal"}).code, 0);
        auto other = fixture.db().openAnother();
        TqvProjectMonitor window;
        window.setAdoConnection(other.get());
        window.DeveloperID = 2;
        QCOMPARE(window.CheckIncompleteWork(), 1);
        m_beforeStop = [&] {
            Clock::setNow(at("2026-05-11 10:00:00"));
            window.StopMonitoring();
            Clock::setNow(at("2026-05-11 11:00:00"));
        };
        const Result result = as(fixture, "chidi", "pw", {"stop"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains("The interval 1 was already stopped elsewhere."), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
        // The first close stands.
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK").toString(),
                 QStringLiteral("2026-05-11 10:00:00.000"));
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK").toDouble(), 1.0);
    }

    void report_data()
    {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<QStringList>("rows"); // project, developer, start date
        QTest::newRow("one month") << QStringList{"--from", "2026-05-01", "--to", "2026-05-31"}
                                   << QStringList{"Billing|Berg|2026-05-01", "Portal|Okafor|2026-05-10",
                                                  "Portal|Berg|2026-05-31"};
        QTest::newRow("both ends inclusive") << QStringList{"--from", "2026-05-31", "--to", "2026-05-31"}
                                             << QStringList{"Portal|Berg|2026-05-31"};
        QTest::newRow("interval over midnight") << QStringList{"--from", "2026-04-30", "--to", "2026-05-01"}
                                                << QStringList{"Inventory|Okafor|2026-04-30", "Billing|Berg|2026-05-01"};
        QTest::newRow("ending after the range") << QStringList{"--from", "2026-04-30", "--to", "2026-04-30"}
                                                << QStringList{};
        QTest::newRow("developer") << QStringList{"--from", "2026-05-01", "--to", "2026-05-31", "--developer", "2"}
                                   << QStringList{"Portal|Okafor|2026-05-10"};
        QTest::newRow("project") << QStringList{"--from", "2026-05-01", "--to", "2026-06-30", "--project", "2"}
                                 << QStringList{"Portal|Okafor|2026-05-10", "Portal|Berg|2026-05-31"};
        QTest::newRow("customer") << QStringList{"--from", "2026-01-01", "--to", "2026-12-31", "--customer", "1"}
                                  << QStringList{"Billing|Berg|2026-05-01"};
        QTest::newRow("customer and developer") << QStringList{"--from", "2026-01-01", "--to", "2026-12-31",
                                                               "--customer", "2", "--developer", "1"}
                                                << QStringList{"Portal|Berg|2026-05-31"};
        QTest::newRow("nothing") << QStringList{"--from", "2027-01-01", "--to", "2027-12-31"} << QStringList{};
    }
    void report()
    {
        QFETCH(QStringList, filter);
        QFETCH(QStringList, rows);
        MainWindowFixture fixture;
        addReportRows(fixture.db());
        const Result result = as(fixture, "chidi", "pw", QStringList{"report", "--csv"} + filter);
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.endsWith("\r\n"));
        QStringList lines = result.out.split("\r\n");
        lines.removeLast();
        QCOMPARE(lines.takeFirst(),
                 QStringLiteral("Project,Developer,Start Date,End Date,Work Time,Start Time,End Time,Comment"));
        QStringList found;
        for (const QString& line : lines) {
            const QStringList fields = line.split(',');
            QCOMPARE(fields.size(), 8);
            found << fields.mid(0, 3).join('|');
        }
        QCOMPARE(found, rows);
    }

    void reportAsTable()
    {
        MainWindowFixture fixture;
        addReportRows(fixture.db());
        const Result result = as(fixture, "chidi", "pw", {"report", "--from", "2026-05-01", "--to", "2026-05-31"});
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out,
                 QStringLiteral("Project  Developer  Start Date  End Date    Work Time  Start Time  End Time  Comment\n"
                                "-------  ---------  ----------  ----------  ---------  ----------  --------  -------\n"
                                "Billing  Berg       2026-05-01  2026-05-01       1:30  08:00:00    09:30:00\n"
                                "Portal   Okafor     2026-05-10  2026-05-10       0:15  10:00:00    10:15:00\n"
                                "Portal   Berg       2026-05-31  2026-05-31       2:00  13:00:00    15:00:00\n"
                                "Total: 3 intervals, 3:45 h\n"));
    }

    void reportCsvQuotesWhatNeedsIt()
    {
        MainWindowFixture fixture;
        addReportRows(fixture.db());
        fixture.db().exec("update PROJECTS set DESCRIPTION = 'Billing, \"Phase 2\"' where ID = 1");
        fixture.db().exec("update DEVELOPERS set LASTNAME = 'Berg\nJr' where ID = 1");
        const Result result = as(fixture, "chidi", "pw",
                                 {"report", "--csv", "--from", "2026-05-01", "--to", "2026-05-01"});
        QCOMPARE(result.out,
                 QStringLiteral("Project,Developer,Start Date,End Date,Work Time,Start Time,End Time,Comment\r\n"
                                "\"Billing, \"\"Phase 2\"\"\",\"Berg\nJr\",2026-05-01,2026-05-01,1.5,"
                                "08:00:00,09:30:00,\r\n"));
    }

    void correctingTimeRoundTrip_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::newRow("quotes") << "it's \"done\"'); delete from PROJECTWORK; --";
        QTest::newRow("line breaks") << "first line\nsecond line";
        QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('c'));
        QTest::newRow("non-Latin") << QStringLiteral("Überprüfung 検証 проверка ✓");
        QTest::newRow("leading dash") << "-- not an option";
    }
    void correctingTimeRoundTrip()
    {
        QFETCH(QString, comment);
        MainWindowFixture fixture;
        auto comments = [&] { return fixture.db().scalar("select COMMENTS from PROJECTWORK where ID = 1").toString(); };
        Clock::setNow(at("2026-05-11 08:00:00"));
        QCOMPARE(as(fixture, "chidi", "pw", {"start", "--project", "Portal", "--comment", comment}).code, 0);
        QCOMPARE(comments(), comment);
        Clock::setNow(at("2026-05-11 09:30:00"));
        QCOMPARE(as(fixture, "chidi", "pw", {"stop"}).code, 0); // keeps the comment
        QCOMPARE(comments(), comment);

        Result result = as(fixture, "chidi", "pw", {"list", "--from", "2026-05-11"});
        QCOMPARE(result.code, 0);
        QString oneLine = comment;
        oneLine.replace('\n', ' ');
        QVERIFY2(result.out.contains("1  Portal   2026-05-11 08:00:00  2026-05-11 09:30:00   1:30  " + oneLine + "\n"),
                 qPrintable(result.out.left(300)));
        QVERIFY(result.out.endsWith("1 interval\n"));

        // Corrected the next morning, onto a project still open.
        Clock::setNow(at("2026-05-12 09:00:00"));
        fixture.db().exec("update PROJECTS set IS_FINISHED = 0 where DESCRIPTION = 'Inventory'");
        result = as(fixture, "chidi", "pw",
                    {"edit", "1", "--project", "Inventory", "--start", "2026-05-11 22:00", "--stop",
                     "2026-05-12T01:15:30", "--comment", comment + "!"});
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.startsWith("Changed interval 1: Inventory, 2026-05-11 22:00 to 2026-05-12 01:15 (3:15 h)"),
                 qPrintable(result.out));
        QCOMPARE(fixture.db().scalar("select PROJECT_ID from PROJECTWORK where ID = 1").toInt(), 3);
        QCOMPARE(fixture.db().scalar("select TIME_SPEND from PROJECTWORK where ID = 1").toDouble(), 3.25);
        QCOMPARE(fixture.db().scalar("select DAY_START from PROJECTWORK where ID = 1").toString(), "2026-05-11");
        QCOMPARE(fixture.db().scalar("select DAY_END from PROJECTWORK where ID = 1").toString(), "2026-05-12");
        QCOMPARE(comments(), comment + "!");

        result = as(fixture, "chidi", "pw", {"report", "--csv", "--from", "2026-05-11", "--to", "2026-05-12"});
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.endsWith("," + CsvWriter::field(comment + "!") + "\r\n"));

        result = as(fixture, "chidi", "pw", {"delete", "1"});
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith("Deleted interval 1: Inventory"));
        QCOMPARE(fixture.db().count("PROJECTWORK"), 0);
        QCOMPARE(as(fixture, "chidi", "pw", {"delete", "1"}).code, int(CommandLine::Failure));
    }

    void correctingSomeoneElsesTime_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::newRow("owner") << "chidi" << "pw" << 0;
        QTest::newRow("another user") << "erik" << "pw" << int(CommandLine::Failure);
        QTest::newRow("administrator") << "admin" << "secret" << 0;
    }
    void correctingSomeoneElsesTime()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, code);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END,COMMENTS) values (2,2,'2026-05-11 08:00:00.000',"
                          "'2026-05-11 09:00:00.000',1,1,'2026-05-11','2026-05-11','mine')");
        Result result = as(fixture, user, password, {"edit", "1", "--comment", "theirs"});
        QCOMPARE(result.code, code);
        QCOMPARE(fixture.db().scalar("select COMMENTS from PROJECTWORK").toString(), code == 0 ? "theirs" : "mine");
        if (code != 0)
            QVERIFY2(result.err.contains("only an administrator"), qPrintable(result.err));
        QCOMPARE(as(fixture, user, password, {"delete", "1"}).code, code);
        QCOMPARE(fixture.db().count("PROJECTWORK"), code == 0 ? 0 : 1);
    }

    void editRules_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("end"); // of interval 1 afterwards
        QTest::newRow("overlap refused") << QStringList{"edit", "1", "--stop", "2026-05-11 10:30"} << 1
                                         << "interval 2: Inventory, 2026-05-11 10:00 to 12:00 (2:00 h)"
                                         << "2026-05-11 09:00:00.000";
        QTest::newRow("overlap allowed") << QStringList{"edit", "1", "--stop", "2026-05-11 10:30", "--allow-overlap"}
                                         << 0 << "Changed interval 1" << "2026-05-11 10:30:00.000";
        QTest::newRow("stop before start") << QStringList{"edit", "1", "--stop", "2026-05-11 07:59:59"} << 1
                                           << "earlier than the start" << "2026-05-11 09:00:00.000";
        QTest::newRow("not one of the user's projects") << QStringList{"edit", "1", "--project", "Billing"} << 1
                                                         << "No project Billing" << "2026-05-11 09:00:00.000";
        QTest::newRow("a stop for the running one") << QStringList{"edit", "3", "--stop", "2026-05-12 09:00"} << 1
                                                    << "still running" << "2026-05-11 09:00:00.000";
        QTest::newRow("a new start for the running one") << QStringList{"edit", "3", "--start", "2026-05-12 07:00"}
                                                         << 0 << "Changed interval 3" << "2026-05-11 09:00:00.000";
        QTest::newRow("a stop later than now") << QStringList{"edit", "1", "--stop", "2026-05-12 10:30"} << 1
                                               << "later than now" << "2026-05-11 09:00:00.000";
        QTest::newRow("a stop years ahead") << QStringList{"edit", "1", "--stop", "2098-05-11 09:00", "--allow-overlap"}
                                            << 1 << "later than now" << "2026-05-11 09:00:00.000";
        QTest::newRow("a comment alone, beside an overlap") << QStringList{"edit", "4", "--comment", "fixed"} << 0
                                                             << "Changed interval 4" << "2026-05-11 09:00:00.000";
    }
    void editRules()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, end);
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END) values "
                          "(2,2,'2026-05-11 08:00:00.000','2026-05-11 09:00:00.000',1,1,'2026-05-11','2026-05-11'),"
                          "(3,2,'2026-05-11 10:00:00.000','2026-05-11 12:00:00.000',2,1,'2026-05-11','2026-05-11')");
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,DAY_START) values "
                          "(2,2,'2026-05-12 08:00:00.000','2026-05-12')");
        // Recorded before overlaps were asked about: it shares time with interval 2.
        fixture.db().exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                          "DAY_START,DAY_END) values "
                          "(2,2,'2026-05-11 10:30:00.000','2026-05-11 11:00:00.000',0.5,1,'2026-05-11','2026-05-11')");
        Clock::setNow(at("2026-05-12 10:00:00"));
        const Result result = as(fixture, "chidi", "pw", args);
        QCOMPARE(result.code, code);
        QVERIFY2((result.out + result.err).contains(message), qPrintable(result.out + result.err));
        QCOMPARE(fixture.db().scalar("select TIME_END from PROJECTWORK where ID = 1").toString(), end);
        QVERIFY(fixture.db().scalar("select TIME_END from PROJECTWORK where ID = 3").isNull());
    }

    // Values go in as parameters: a quote in a name is data, not SQL.
    void startWithAQuoteInTheName()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('O''Brien''s site',0,0)");
        const Result result = as(fixture, "admin", "secret", {"start", "--project", "o'brien's site"});
        QCOMPARE(result.code, 0);
        QCOMPARE(fixture.db().scalar("select PROJECT_ID from PROJECTWORK").toInt(), 4);
    }

    void databaseProblemsFail_data()
    {
        QTest::addColumn<QString>("options"); // what options.ini says, "" for no file
        QTest::addColumn<QString>("message");
        QTest::newRow("no options file") << "" << "options file";
        QTest::newRow("database missing") << "[ConnectionSettings]\nDatabaseType=0\n[ExportSettings]\nDataBasePath=gone.db\n"
                                          << "gone.db does not exist";
        QTest::newRow("no database kind") << "[ConnectionSettings]\nDatabaseType=7\n" << "No database is configured";
    }
    void databaseProblemsFail()
    {
        QFETCH(QString, options);
        QFETCH(QString, message);
        MainWindowFixture fixture;
        const QString path = QDir(fixture.db().folder()).filePath("other.ini");
        if (!options.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(options.toUtf8());
        }
        m_environmentPassword = "pw";
        const Result result = cli({"status", "--user", "chidi", "--options", path});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    void optionsBesideTheProgramByDefault()
    {
        MainWindowFixture fixture; // its options.ini is in the program's folder
        m_environmentPassword = "pw";
        const Result result = cli({"status", "--user", "chidi"});
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out, QStringLiteral("No interval is open.\n"));
    }

    void elapsedText_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << "00:00:00";
        QTest::newRow("parts of a second") << qint64(999) << "00:00:00";
        QTest::newRow("minutes and seconds") << qint64((61 * 60 + 1) * 1000) << "01:01:01";
        QTest::newRow("more than a day") << qint64(25LL * 3600 * 1000) << "25:00:00";
        QTest::newRow("clock set back") << qint64(-5000) << "00:00:00";
    }
    void elapsedText()
    {
        QFETCH(qint64, msecs);
        QFETCH(QString, text);
        QCOMPARE(CommandLine::elapsedText(msecs), text);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
