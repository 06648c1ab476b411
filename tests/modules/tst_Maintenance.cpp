#include "framework/o_ComponentCaster.h"
#include "modules/f_Customers.h"
#include "modules/f_Developers.h"
#include "modules/f_ProjectPerDeveloper.h"
#include "modules/f_Projects.h"
#include "modules/f_Users.h"
#include "modules/mc_Customers.h"
#include "modules/mc_Developers.h"
#include "modules/mc_ProjectPerDeveloper.h"
#include "modules/mc_Projects.h"
#include "modules/mc_Users.h"
#include "support/TestMain.h"
#include "toolkit/DbCheckBox.h"
#include "toolkit/DbEdit.h"
#include "toolkit/DbLookupComboBox.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/PasswordHash.h"

#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

void press(TCustomModule& module, const char* button)
{
    TqvComponentCaster* found = module.Lookup(QString::fromLatin1(button));
    if (auto* tool = found->AsToolButton())
        tool->click();
    else
        found->as<QPushButton>()->click();
}

// Types into a bound edit as a user would.
void type(TCustomModule& module, const char* edit, const QString& text)
{
    auto* control = module.Lookup(QString::fromLatin1(edit))->as<DbEdit>();
    QVERIFY(control);
    control->setFocus();
    control->selectAll();
    control->del();
    control->insert(text);
}

QStringList column(TestDatabase& db, const QString& sql)
{
    QStringList values;
    QSqlQuery query = db.connection().exec(sql);
    while (query.next())
        values << (query.value(0).isNull() ? QStringLiteral("<null>") : query.value(0).toString());
    return values;
}

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestMain> m_main;

    template <class M, class F>
    TCustomModule::Ptr<M> open()
    {
        auto module = TCustomModule::Create<M, F>();
        module->Execute(false);
        return module;
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_main = std::make_unique<TestMain>(*m_db);
        MessageService::resetForTests();
        m_db->exec("insert into CUSTOMER (CODE,NAME) values ('NW','Northwind'),('BH','Blue Harbour')");
        m_db->exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Billing',1,0),('Portal',2,1),"
                   "(NULL,NULL,0)");
        m_db->exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna'),('Okafor','Chidi')");
    }
    void cleanup()
    {
        m_main.reset();
        m_db.reset();
    }

    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophes") << "O'Brien's ''quoted'' app";
        QTest::newRow("double quotes and backslash") << "say \"hi\" \\ C:\\temp\\";
        QTest::newRow("percent signs") << "100% done %s %d";
        QTest::newRow("non latin") << QString::fromUtf8("Ζωή · 日本語 · Привет");
        QTest::newRow("long") << QString(10000, QLatin1Char('x'));
        QTest::newRow("empty") << QString();
        QTest::newRow("semicolon statement") << "x'); delete from PROJECTS; --";
    }
    void texts()
    {
        QFETCH(QString, text);
        auto module = open<TdmProjects, TFrmProjects>();
        press(*module, "btnNew");
        type(*module, "DBEdit1", text);
        press(*module, "btnSave");
        press(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(m_db->count("PROJECTS"), 4);
        QCOMPARE(m_db->scalar("select DESCRIPTION from PROJECTS where ID = 4").toString(), text);
        QVERIFY(!m_db->scalar("select DESCRIPTION from PROJECTS where ID = 4").isNull());
        // Nothing chosen: no customer, not finished.
        QCOMPARE(m_db->scalar("select CUSTOMER_ID from PROJECTS where ID = 4").toInt(), 0);
        QCOMPARE(m_db->scalar("select IS_FINISHED from PROJECTS where ID = 4").toInt(), 0);
        QVERIFY(!m_db->scalar("select IS_FINISHED from PROJECTS where ID = 4").isNull());
    }

    void okWritesOnlyWhatChanged()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        // Another client renames a project meanwhile.
        m_db->exec("update PROJECTS set DESCRIPTION='Billing v2' where ID=1");
        MemTable* copy = module->WorkingCopy();
        QVERIFY(copy->locate("DESCRIPTION", "Portal"));
        press(*module, "btnEdit");
        type(*module, "DBEdit1", "Portal 2");
        press(*module, "btnOk"); // an unsaved edit is written too
        QCOMPARE(column(*m_db, "select DESCRIPTION from PROJECTS order by ID"),
                 QStringList({"Billing v2", "Portal 2", "<null>"}));
    }

    void deleteCancelAndOk()
    {
        {
            auto module = open<TdmProjects, TFrmProjects>();
            press(*module, "btnDelete");
            press(*module, "btnCancel");
            QCOMPARE(m_db->count("PROJECTS"), 3);
        }
        auto module = open<TdmProjects, TFrmProjects>();
        QVERIFY(module->WorkingCopy()->locate("DESCRIPTION", "Portal"));
        press(*module, "btnDelete");
        press(*module, "btnOk");
        QCOMPARE(column(*m_db, "select ID from PROJECTS order by ID"), QStringList({"1", "3"}));
    }

    void newRowDeletedBeforeOkDeletesNothingStored()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        press(*module, "btnNew");
        type(*module, "DBEdit1", "short-lived");
        press(*module, "btnSave");
        press(*module, "btnDelete");
        press(*module, "btnOk");
        QCOMPARE(m_db->count("PROJECTS"), 3);
    }

    void deleteWhileEditingOrEmptyDoesNothing()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        press(*module, "btnEdit");
        press(*module, "btnDelete");
        QCOMPARE(module->WorkingCopy()->recordCount(), 3);
        press(*module, "btnSave");
        for (int i = 0; i < 3; ++i)
            press(*module, "btnDelete");
        QVERIFY(module->WorkingCopy()->isEmpty());
        press(*module, "btnDelete");
        press(*module, "btnEdit"); // on an empty copy: a new row
        QCOMPARE(module->WorkingCopy()->state(), MemTable::Insert);
        type(*module, "DBEdit1", "only one");
        press(*module, "btnOk");
        QCOMPARE(column(*m_db, "select DESCRIPTION from PROJECTS"), QStringList({"only one"}));
    }

    void failingOkChangesNothingAndKeepsTheWindow()
    {
        m_db->exec("create trigger refuse before insert on PROJECTS begin select raise(abort, 'no new projects'); end");
        auto module = open<TdmProjects, TFrmProjects>();
        press(*module, "btnDelete"); // a deletion that must be rolled back
        press(*module, "btnNew");
        type(*module, "DBEdit1", "refused");
        press(*module, "btnOk");
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(m_db->count("PROJECTS"), 3);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains("no new projects"));
        // The edits are still there: a second Ok without the trigger writes them.
        m_db->exec("drop trigger refuse");
        press(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(column(*m_db, "select DESCRIPTION from PROJECTS order by ID"),
                 QStringList({"Portal", "<null>", "refused"}));
    }

    void customerLookupAndItsDeleteKey()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        auto* combo = module->Lookup("DBLookupComboBox1")->as<DbLookupComboBox>();
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("Northwind"));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Delete);
        QVERIFY(module->WorkingCopy()->isNull("CUSTOMER_ID"));
        press(*module, "btnOk");
        QCOMPARE(m_db->scalar("select CUSTOMER_ID from PROJECTS where ID = 1").toInt(), 0);
    }

    void finishedBoxWritesOneAndZero()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        auto* box = module->Lookup("DBCheckBox1")->as<DbCheckBox>();
        QVERIFY(box);
        box->click(); // Billing: 0 -> 1
        press(*module, "btnSave");
        module->WorkingCopy()->next();
        box->click(); // Portal: 1 -> 0
        press(*module, "btnOk");
        QCOMPARE(column(*m_db, "select IS_FINISHED from PROJECTS order by ID"), QStringList({"1", "0", "0"}));
    }

    void developersAndCustomers()
    {
        {
            auto module = open<TdmDevelopers, TFrmDevelopers>();
            press(*module, "btnNew");
            type(*module, "DBEdit1", "Erik");
            type(*module, "DBEdit2", "Lindqvist");
            press(*module, "btnOk");
        }
        QCOMPARE(column(*m_db, "select LASTNAME || ',' || NAME from DEVELOPERS order by ID"),
                 QStringList({"Berg,Anna", "Okafor,Chidi", "Lindqvist,Erik"}));
        {
            auto module = open<TdmCustomers, TFrmCustomers>();
            press(*module, "btnNew");
            type(*module, "DBEdit2", "Kestrel Labs"); // the code stays empty
            press(*module, "btnOk");
        }
        QCOMPARE(m_db->scalar("select CODE from CUSTOMER where NAME = 'Kestrel Labs'").toString(), QString());
        QVERIFY(!m_db->scalar("select CODE from CUSTOMER where NAME = 'Kestrel Labs'").isNull());
    }

    void deletingADeveloperKeepsWhatRefersToIt()
    {
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna','pw')");
        auto module = open<TdmDevelopers, TFrmDevelopers>();
        press(*module, "btnDelete");
        press(*module, "btnOk");
        QCOMPARE(m_db->count("DEVELOPERS"), 1);
        QCOMPARE(m_db->scalar("select DEVELOPER_ID from USERS").toInt(), 1);
    }

    void usersWindow()
    {
        auto module = open<TdmUsers, TFrmUsers>();
        QVERIFY(module->Lookup("DBEdit2")->as<DbEdit>()->passwordMode());
        press(*module, "btnNew");
        type(*module, "DBEdit1", "chidi");
        type(*module, "DBEdit2", "it's a secret");
        press(*module, "btnSave");
        press(*module, "btnNew");
        type(*module, "DBEdit1", "boss");
        type(*module, "DBEdit2", "boss's");
        module->WorkingCopy()->setValue("DEVELOPER_ID", 2);
        module->Lookup("DBCheckBox1")->as<DbCheckBox>()->click();
        press(*module, "btnOk");
        // New rows go in at the cursor, so "boss" came before "chidi".
        QSqlQuery rows = m_db->connection().exec(
            "select USERNAME,PASSWORD,DEVELOPER_ID,IS_ADMIN from USERS order by USERNAME desc");
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toString(), QStringLiteral("chidi"));
        QVERIFY(PasswordHash::verify(rows.value(1).toString(), QStringLiteral("it's a secret")));
        QCOMPARE(rows.value(2).toInt(), 0);
        QCOMPARE(rows.value(3).toInt(), 0);
        QVERIFY(rows.next());
        QCOMPARE(rows.value(2).toInt(), 2);
        QCOMPARE(rows.value(3).toInt(), 1);
    }

    void projectsPerDeveloper_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("local file") << 0;
    }
    void projectsPerDeveloper()
    {
        QFETCH(int, kind);
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1),(1,1),(2,2)");
        auto module = TCustomModule::Create<TdmProjectPerDeveloper, TFrmProjectPerDeveloper>();
        module->DatabaseKind = kind;
        module->Execute(false);
        MemTable* copy = module->WorkingCopy();
        QCOMPARE(copy->recordCount(), 3);
        QCOMPARE(copy->value("DEVELOPER_NAME").toString(), QStringLiteral("Berg Anna"));
        QCOMPARE(copy->value("PROJECT_NAME").toString(), QStringLiteral("Billing"));
        press(*module, "btnNew");
        copy->setValue("DEVELOPER_ID", 2); // no project chosen
        press(*module, "btnSave");
        QVERIFY(copy->locate("ID", 1));
        press(*module, "btnDelete");
        press(*module, "btnOk");
        // One of the duplicate pairs is gone; the new assignment has no project.
        QCOMPARE(column(*m_db, "select DEVELOPER_ID || '/' || PROJECT_ID from DEVELOPER_PROJECTS order by ID"),
                 QStringList({"1/1", "2/2", "2/0"}));
    }

    void projectsPerDeveloperDeleteAll()
    {
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1),(2,2)");
        auto module = TCustomModule::Create<TdmProjectPerDeveloper, TFrmProjectPerDeveloper>();
        module->Execute(false);
        press(*module, "btnDelete");
        press(*module, "btnDelete");
        press(*module, "btnOk");
        QCOMPARE(m_db->count("DEVELOPER_PROJECTS"), 0);
    }

    void serverListText()
    {
        const QString text = TdmProjectPerDeveloper::listStatement(1);
        QCOMPARE(text, QStringLiteral("select\r DP.ID\r,DP.DEVELOPER_ID\r,DP.PROJECT_ID\r"
                                      ",(D.LASTNAME +' ' + D.NAME) as DEVELOPER_NAME\r"
                                      ",P.DESCRIPTION              as PROJECT_NAME\r"
                                      "from\r  DEVELOPER_PROJECTS DP\rleft join\r  DEVELOPERS D on D.ID = DP.DEVELOPER_ID\r"
                                      "left join\r  PROJECTS P   on P.ID = DP.PROJECT_ID"));
        QVERIFY(TdmProjectPerDeveloper::listStatement(0).contains("((DEVELOPER_PROJECTS DP)\r"));
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_Maintenance.moc"
