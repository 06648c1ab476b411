#include "framework/o_ComponentCaster.h"
#include "modules/f_Users.h"
#include "modules/mc_Users.h"
#include "support/ModuleDriver.h"
#include "support/TestMain.h"
#include "toolkit/DbCheckBox.h"
#include "toolkit/DbEdit.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/PasswordHash.h"

#include <QPushButton>
#include <QToolButton>
#include <QtTest>

// The users window: new passwords only, hashed; names that can sign in; an
// administrator always left.
class TestUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestMain> m_main;

    QStringList users()
    {
        QStringList rows;
        QSqlQuery query = m_db->connection().exec("select USERNAME, IS_ADMIN, DEVELOPER_ID, PASSWORD from USERS order by ID");
        while (query.next())
            rows << QStringList{query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                query.value(3).toString()}
                        .join('|');
        return rows;
    }
    QString passwordOf(const QString& user)
    {
        return m_db->scalar("select PASSWORD from USERS where USERNAME = ?", {user}).toString();
    }

public:
    enum Change {
        NewUser,
        NewWithoutPassword,
        NewWithEmptyName,
        NewNameInOtherCase,
        NewNameWithBlanks,
        RenameToOtherCase,
        KeepPassword,
        NewPassword,
        DemoteLastAdmin,
        DeleteLastAdmin,
        DemoteOneOfTwoAdmins,
        NewUntouched,
    };
    Q_ENUM(Change)

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_main = std::make_unique<TestMain>(*m_db, TestDatabase::kind());
        MessageService::resetForTests();
        m_db->exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna'),('Okafor','Chidi')");
        // An administrator with a hash, a user with a plain-text password from an older database.
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'admin',?),(2,0,'chidi','pw')",
                   {PasswordHash::hash("secret")});
    }
    void cleanup()
    {
        m_main.reset();
        m_db.reset();
    }

    void ok_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("refusal"); // empty: written
        QTest::newRow("new user") << NewUser << "";
        QTest::newRow("new user without password") << NewWithoutPassword << "needs a password";
        QTest::newRow("new user without name") << NewWithEmptyName << "needs a user name";
        QTest::newRow("new name differing only in case") << NewNameInOtherCase << "already taken by \"chidi\"";
        QTest::newRow("new name differing only in blanks around it") << NewNameWithBlanks
                                                                     << "already taken by \"chidi\"";
        QTest::newRow("renamed to differ only in case") << RenameToOtherCase << "already taken by \"admin\"";
        QTest::newRow("empty password field keeps the password") << KeepPassword << "";
        QTest::newRow("typed password replaces it") << NewPassword << "";
        QTest::newRow("last administrator demoted") << DemoteLastAdmin << "last administrator";
        QTest::newRow("last administrator deleted") << DeleteLastAdmin << "last administrator";
        QTest::newRow("one of two administrators demoted") << DemoteOneOfTwoAdmins << "";
        QTest::newRow("new row left empty") << NewUntouched << "";
    }
    void ok()
    {
        QFETCH(Change, change);
        QFETCH(QString, refusal);
        if (change == DemoteOneOfTwoAdmins)
            m_db->exec("update USERS set IS_ADMIN = 1 where USERNAME = 'chidi'");
        const QStringList before = users();
        auto module = open<TdmUsers, TFrmUsers>();
        MemTable* copy = module->WorkingCopy();
        auto* adminBox = module->Lookup("DBCheckBox1")->as<DbCheckBox>();
        switch (change) {
        case NewUser:
        case NewWithoutPassword:
        case NewWithEmptyName:
        case NewNameInOtherCase:
        case NewNameWithBlanks:
            press(*module, "btnNew");
            type(*module, "DBEdit1", change == NewWithEmptyName     ? " "
                                     : change == NewNameInOtherCase ? "Chidi"
                                     : change == NewNameWithBlanks  ? " chidi "
                                                                    : "dora");
            if (change != NewWithoutPassword)
                type(*module, "DBEdit2", "dora's");
            break;
        case RenameToOtherCase:
            QVERIFY(copy->locate("USERNAME", "chidi"));
            press(*module, "btnEdit");
            type(*module, "DBEdit1", "ADMIN");
            break;
        case KeepPassword:
            QVERIFY(copy->locate("USERNAME", "chidi"));
            press(*module, "btnEdit");
            copy->setValue("DEVELOPER_ID", 1);
            break;
        case NewPassword:
            QVERIFY(copy->locate("USERNAME", "chidi"));
            press(*module, "btnEdit");
            type(*module, "DBEdit2", "brand new");
            break;
        case DemoteLastAdmin:
        case DemoteOneOfTwoAdmins:
            QVERIFY(copy->locate("USERNAME", "admin"));
            adminBox->click();
            break;
        case DeleteLastAdmin:
            QVERIFY(copy->locate("USERNAME", "admin"));
            copy->remove();
            break;
        case NewUntouched:
            press(*module, "btnNew");
            break;
        }
        press(*module, "btnOk");

        if (!refusal.isEmpty()) {
            QVERIFY(module->ModuleForm()->isVisible());
            QCOMPARE(MessageService::shownForTests().size(), 1);
            QVERIFY2(MessageService::shownForTests().first().text.contains(refusal),
                     qPrintable(MessageService::shownForTests().first().text));
            QCOMPARE(users(), before);
            return;
        }
        QVERIFY(!module->ModuleForm()->isVisible());
        QVERIFY(MessageService::shownForTests().isEmpty());
        switch (change) {
        case NewUser:
            QVERIFY(PasswordHash::verify(passwordOf("dora"), "dora's"));
            break;
        case KeepPassword:
            QCOMPARE(passwordOf("chidi"), QStringLiteral("pw"));
            QCOMPARE(m_db->scalar("select DEVELOPER_ID from USERS where USERNAME = 'chidi'").toInt(), 1);
            break;
        case NewPassword:
            QVERIFY(PasswordHash::verify(passwordOf("chidi"), "brand new"));
            QVERIFY(!passwordOf("chidi").contains("brand new"));
            break;
        case DemoteOneOfTwoAdmins:
            QCOMPARE(m_db->scalar("select IS_ADMIN from USERS where USERNAME = 'admin'").toInt(), 0);
            QVERIFY(PasswordHash::verify(passwordOf("admin"), "secret"));
            break;
        case NewUntouched:
            QCOMPARE(users(), before);
            break;
        default:
            QFAIL("a refused change was written");
        }
    }

    // On a team server whose people are its logins the window changes the
    // logins with the rows, through the server's functions.
    void peopleAreServerLogins_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("user");     // who then signs in
        QTest::addColumn<QString>("password"); // with what; empty: the login is gone
        QTest::newRow("new user, name with blanks") << "new" << "dora" << "dora's";
        QTest::newRow("new password") << "password" << "chidi" << "brand new";
        QTest::newRow("renamed") << "rename" << "chidi2" << "pw";
        QTest::newRow("made administrator") << "promote" << "chidi" << "pw";
        QTest::newRow("deleted") << "delete" << "chidi" << "";
    }
    void peopleAreServerLogins()
    {
        QFETCH(QString, change);
        QFETCH(QString, user);
        QFETCH(QString, password);
        SKIP_ON_FILE();
        m_db->usePersonalLogins();
        auto module = open<TdmUsers, TFrmUsers>();
        MemTable* copy = module->WorkingCopy();
        const QString chidi = m_db->login("chidi");
        if (change == "new") {
            press(*module, "btnNew");
            type(*module, "DBEdit1", "  " + m_db->login("dora") + " ");
            type(*module, "DBEdit2", "dora's");
            copy->setValue("DEVELOPER_ID", 2);
        } else {
            QVERIFY(copy->locate("USERNAME", chidi));
            if (change == "delete") {
                copy->remove();
            } else {
                press(*module, "btnEdit");
                if (change == "password")
                    type(*module, "DBEdit2", "brand new");
                else if (change == "rename")
                    type(*module, "DBEdit1", m_db->login("chidi2"));
                else
                    module->Lookup("DBCheckBox1")->as<DbCheckBox>()->click();
            }
        }
        press(*module, "btnOk");
        QVERIFY2(MessageService::shownForTests().isEmpty(), qPrintable(MessageService::shownForTests().value(0).text));
        QVERIFY(!module->ModuleForm()->isVisible());
        const QString login = m_db->login(user);
        QCOMPARE(m_db->scalar("select count(*) from pg_roles where rolname = ?", {login}).toInt(),
                 password.isEmpty() ? 0 : 1);
        QCOMPARE(m_db->count("USERS"), password.isEmpty() ? 1 : change == "new" ? 3 : 2);
        if (password.isEmpty())
            return;
        QCOMPARE(m_db->scalar("select count(*) from USERS where USERNAME = ? and PASSWORD is null", {login}).toInt(), 1);
        const auto person = m_db->openAs(login, password);
        QCOMPARE(TestDatabase::scalarOf(*person, "select pg_has_role(session_user, current_database() || '_admins', "
                                                 "'MEMBER')").toBool(),
                 change == "promote");
    }

    void storedPasswordsAreNeverShown()
    {
        auto module = open<TdmUsers, TFrmUsers>();
        MemTable* copy = module->WorkingCopy();
        auto* edit = module->Lookup("DBEdit2")->as<DbEdit>();
        QVERIFY(edit->passwordMode());
        QCOMPARE(copy->recordCount(), 2);
        for (copy->first(); !copy->eof(); copy->next()) {
            QCOMPARE(copy->value("PASSWORD").toString(), QString());
            QCOMPARE(edit->text(), QString());
        }
    }

    // A refused write leaves what was typed, so the next Ok stores a hash of
    // the password and not a hash of its hash.
    void failedWriteKeepsTheTypedPassword()
    {
        m_db->refuseWrites("insert", "USERS", "no new users");
        auto module = open<TdmUsers, TFrmUsers>();
        press(*module, "btnNew");
        type(*module, "DBEdit1", "dora");
        type(*module, "DBEdit2", "dora's");
        press(*module, "btnOk");
        QVERIFY(module->ModuleForm()->isVisible());
        QVERIFY(MessageService::shownForTests().last().text.contains("no new users"));
        QVERIFY(module->WorkingCopy()->locate("USERNAME", "dora"));
        QCOMPARE(module->WorkingCopy()->value("PASSWORD").toString(), QStringLiteral("dora's"));
        m_db->allowWrites();
        press(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QVERIFY(PasswordHash::verify(passwordOf("dora"), "dora's"));
    }
};

QTEST_MAIN(TestUsers)
#include "tst_Users.moc"
