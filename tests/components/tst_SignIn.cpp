#include "components/o_OptionsManager.h"
#include "components/o_SignIn.h"
#include "support/MainWindowFixture.h"
#include "toolkit/PasswordHash.h"

#include <QtTest>

class TestSignIn : public QObject
{
    Q_OBJECT

    static QString storedPassword(TestDatabase& db, const QString& user)
    {
        return db.scalar("select PASSWORD from USERS where USERNAME = ?", {user}).toString();
    }

private slots:
    // Known rows: "admin"/"secret" (administrator, developer 1) and
    // "chidi"/"pw" (developer 2) in plain text as an older database holds
    // them; "anna" with a hash of "Hash me" (developer 1, IS_ADMIN 2); "KZ"
    // with a hash of "706" (developer 3).
    void check_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("masterAllowed");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<int>("developer");
        const int in = int(SignIn::Outcome::SignedIn);
        const int refused = int(SignIn::Outcome::Refused);
        const int unknown = int(SignIn::Outcome::UnknownUser);
        QTest::newRow("hashed") << "anna" << "Hash me" << false << in << false << 1;
        QTest::newRow("hashed, wrong") << "anna" << "hash me" << false << refused << false << 0;
        QTest::newRow("hashed, typed the stored hash") << "anna" << "<hash>" << false << refused << false << 0;
        QTest::newRow("hashed, name in another case") << "Anna" << "Hash me" << false << refused << false << 0;
        QTest::newRow("plain text") << "chidi" << "pw" << false << in << false << 2;
        QTest::newRow("plain text, administrator") << "admin" << "secret" << false << in << true << 1;
        QTest::newRow("plain text, wrong") << "chidi" << "PW" << false << refused << false << 0;
        QTest::newRow("plain text, name in another case") << "CHIDI" << "pw" << false << refused << false << 0;
        QTest::newRow("unknown user") << "nobody" << "pw" << false << unknown << false << 0;
        QTest::newRow("empty pair") << " " << "" << true << refused << false << 0;
        // Off, the master pair is an ordinary pair: here it is the row of a user "KZ".
        QTest::newRow("master pair, off: a user's own row") << "KZ" << "706" << false << in << false << 3;
        QTest::newRow("master pair, off, in another case") << "kz" << "706" << false << refused << false << 0;
        QTest::newRow("master pair, enabled") << "KZ" << "706" << true << in << true << 0;
        QTest::newRow("master pair, enabled, any case") << "kz" << "706" << true << in << true << 0;
        QTest::newRow("master name, wrong password") << "KZ" << "707" << true << refused << false << 0;
    }
    void check()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, masterAllowed);
        QFETCH(int, outcome);
        QFETCH(bool, admin);
        QFETCH(int, developer);
        MainWindowFixture fixture;
        TestDatabase& db = fixture.db();
        // Hashed once for all rows: each hash costs a fifth of a second.
        static const QString anna = PasswordHash::hash("Hash me");
        static const QString kz = PasswordHash::hash("706");
        db.exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,2,'anna',?),(3,0,'KZ',?)",
                {anna, kz});
        if (password == "<hash>")
            password = storedPassword(db, user);
        const QString before = storedPassword(db, user);

        const SignIn::Result result = SignIn::check(db.connection(), db.settings().kind, user, password, masterAllowed);
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY2(result.rehashProblem.isEmpty(), qPrintable(result.rehashProblem));
        const QString after = storedPassword(db, user);
        if (outcome != int(SignIn::Outcome::SignedIn)) {
            QCOMPARE(after, before); // a refusal changes nothing
            return;
        }
        QCOMPARE(result.user.isAdmin, admin);
        QCOMPARE(result.user.developerId, developer);
        QCOMPARE(result.user.userName, user);
        QCOMPARE(result.user.master, masterAllowed);
        if (result.user.master)
            return;
        // Whatever the row held, it now holds a hash of the password, never the password.
        QVERIFY(PasswordHash::looksHashed(after));
        QVERIFY(after != password);
        // A short password may turn up in the hash's random text by chance
        // ("pw" in about one of fifty hashes); a longer one may not.
        if (password.size() >= 6)
            QVERIFY(!after.contains(password));
        QVERIFY(PasswordHash::verify(after, password));
        if (PasswordHash::looksHashed(before))
            QCOMPARE(after, before); // a good hash is kept
        QCOMPARE(int(SignIn::check(db.connection(), db.settings().kind, user, password, false).outcome), outcome);
    }

    // The first row found without regard to case decides.
    void namesDifferingInCase()
    {
        MainWindowFixture fixture;
        fixture.db().exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (3,0,'Chidi','other')");
        QCOMPARE(int(SignIn::check(fixture.db().connection(), fixture.db().settings().kind, "Chidi", "other", false).outcome),
                 int(SignIn::Outcome::Refused));
    }

    // The sign-in holds when the hash cannot be stored; the caller hears why.
    void rehashThatCannotBeWritten()
    {
        MainWindowFixture fixture;
        fixture.db().refuseWrites("update", "USERS", "read only");
        const SignIn::Result result = SignIn::check(fixture.db().connection(), fixture.db().settings().kind, "chidi", "pw", false);
        QCOMPARE(int(result.outcome), int(SignIn::Outcome::SignedIn));
        QVERIFY2(result.rehashProblem.contains("read only"), qPrintable(result.rehashProblem));
        QCOMPARE(storedPassword(fixture.db(), "chidi"), QStringLiteral("pw"));
        QVERIFY(!fixture.db().connection().inTransaction());
    }

    void masterLoginOption_data()
    {
        QTest::addColumn<QString>("value"); // "-": not in the file
        QTest::addColumn<bool>("enabled");
        QTest::newRow("absent") << "-" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("yes") << "yes" << false;
        QTest::newRow("empty") << "" << false;
    }
    void masterLoginOption()
    {
        QFETCH(QString, value);
        QFETCH(bool, enabled);
        MainWindowFixture fixture;
        if (value != "-")
            GetOptionsManager()->WriteValue(Options::ProjectsSection, SignIn::masterLoginKey(), value);
        // A server knows no such person, whatever the options say.
        QCOMPARE(SignIn::masterLoginEnabled(*GetOptionsManager()), enabled && !TestDatabase::onServer());
    }
};

QTEST_GUILESS_MAIN(TestSignIn)
#include "tst_SignIn.moc"
