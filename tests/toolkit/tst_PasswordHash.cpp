#include "toolkit/PasswordHash.h"

#include <QtTest>

class TestPasswordHash : public QObject
{
    Q_OBJECT

private slots:
    void verify_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same") << "it's a secret" << "it's a secret" << true;
        QTest::newRow("other letter case") << "Secret" << "secret" << false;
        QTest::newRow("a blank more") << "secret" << "secret " << false;
        QTest::newRow("empty password") << "" << "" << true;
        QTest::newRow("empty typed") << "secret" << "" << false;
        QTest::newRow("non latin") << QString::fromUtf8("Ζωή·日本語") << QString::fromUtf8("Ζωή·日本語") << true;
        QTest::newRow("non latin, one letter off") << QString::fromUtf8("Ζωή") << QString::fromUtf8("Ζωη") << false;
    }
    void verify()
    {
        QFETCH(QString, password);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        const QString stored = PasswordHash::hash(password);
        QVERIFY(PasswordHash::looksHashed(stored));
        QVERIFY(stored.startsWith("$argon2id$"));
        QVERIFY(!PasswordHash::needsRehash(stored));
        if (!password.isEmpty())
            QVERIFY(!stored.contains(password));
        QVERIFY(stored.size() <= 255); // the width of the SQL Server column
        QCOMPARE(PasswordHash::verify(stored, typed), matches);
    }

    void saltedAnew()
    {
        const QString a = PasswordHash::hash("same");
        const QString b = PasswordHash::hash("same");
        QVERIFY(a != b);
        QVERIFY(PasswordHash::verify(a, "same") && PasswordHash::verify(b, "same"));
    }

    void notAHash_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("looksHashed");
        QTest::newRow("plain text") << "secret" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("plain text starting with a dollar") << "$ecret" << false;
        QTest::newRow("broken hash") << "$argon2id$v=19$m=65536,t=2,p=1$garbage" << true;
        QTest::newRow("other scheme") << "$2y$10$abcdefghijklmnopqrstuv" << false;
    }
    // Nothing signs in by typing the stored text itself.
    void notAHash()
    {
        QFETCH(QString, stored);
        QFETCH(bool, looksHashed);
        QVERIFY(!PasswordHash::verify(stored, stored));
        QCOMPARE(PasswordHash::looksHashed(stored), looksHashed);
        if (!looksHashed)
            QVERIFY(PasswordHash::needsRehash(stored));
    }
};

QTEST_GUILESS_MAIN(TestPasswordHash)
#include "tst_PasswordHash.moc"
