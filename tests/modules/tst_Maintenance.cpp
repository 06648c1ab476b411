#include "framework/o_ComponentCaster.h"
#include "modules/f_Customers.h"
#include "modules/f_Developers.h"
#include "modules/f_LockPeriod.h"
#include "modules/f_ProjectPerDeveloper.h"
#include "modules/f_Projects.h"
#include "modules/f_Users.h"
#include "modules/mc_Customers.h"
#include "modules/mc_Developers.h"
#include "modules/mc_LockPeriod.h"
#include "modules/mc_ProjectPerDeveloper.h"
#include "modules/mc_Projects.h"
#include "modules/mc_Users.h"
#include "support/ModuleDriver.h"
#include "support/TestMain.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbCheckBox.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbEdit.h"
#include "toolkit/DbLookupComboBox.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/PasswordHash.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

enum Window { Projects, Developers, Customers, Users, Assignments };

TCustomModule::Ptr<TMaintenanceModule> openWindow(int window)
{
    switch (window) {
    case Projects: return open<TdmProjects, TFrmProjects>();
    case Developers: return open<TdmDevelopers, TFrmDevelopers>();
    case Customers: return open<TdmCustomers, TFrmCustomers>();
    case Users: return open<TdmUsers, TFrmUsers>();
    default: return open<TdmProjectPerDeveloper, TFrmProjectPerDeveloper>();
    }
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

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_main = std::make_unique<TestMain>(*m_db, TestDatabase::kind());
        MessageService::resetForTests();
        m_db->exec("insert into CUSTOMER (CODE,NAME) values ('NW','Northwind'),('BH','Blue Harbour')");
        m_db->exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Billing',1,0),('Portal',2,1),"
                   "(NULL,NULL,0)");
        m_db->exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna'),('Okafor','Chidi')");
    }
    // Lock Period shows the stored lock, and Ok stores what it shows: a
    // date before today, a grace period, or neither.
    void lockPeriod_data()
    {
        QTest::addColumn<QDate>("through"); // invalid: unchecked
        QTest::addColumn<int>("grace");     // below 0: unchecked
        QTest::addColumn<QString>("stored"); // LOCKED_THROUGH|GRACE_DAYS afterwards
        QTest::addColumn<QString>("refusal");
        QTest::newRow("a date") << QDate(2026, 5, 31) << -1 << "2026-05-31|" << "";
        QTest::newRow("a grace period") << QDate() << 30 << "|30" << "";
        QTest::newRow("both") << QDate(2026, 5, 31) << 0 << "2026-05-31|0" << "";
        QTest::newRow("neither") << QDate() << -1 << "|" << "";
        QTest::newRow("today") << QDate(2026, 6, 10) << -1 << "2026-04-30|7" << "not before today";
    }
    void lockPeriod()
    {
        QFETCH(QDate, through);
        QFETCH(int, grace);
        QFETCH(QString, stored);
        QFETCH(QString, refusal);
        m_db->exec("update PERIOD_LOCK set LOCKED_THROUGH = '2026-04-30', GRACE_DAYS = 7");
        Clock::setNow(QDateTime(QDate(2026, 6, 10), QTime(9, 0)));
        auto module = TCustomModule::Create<TdmLockPeriod, TFrmLockPeriod>();
        module->Execute(false);
        auto* locked = module->Lookup("chkLockedThrough")->AsCheckBox();
        auto* graceBox = module->Lookup("chkGrace")->AsCheckBox();
        QVERIFY(locked->isChecked() && graceBox->isChecked());
        QCOMPARE(module->Lookup("dtLockedThrough")->as<DateTimePicker>()->date(), QDate(2026, 4, 30));
        QVERIFY2(module->Lookup("lblState")->AsLabel()->text().contains("on or before 2026-06-02"),
                 qPrintable(module->Lookup("lblState")->AsLabel()->text()));
        // Without a window manager nothing grows the window to its wrapped texts.
        QWidget* form = module->ModuleForm();
        QVERIFY(form->isVisible() && form->height() >= form->heightForWidth(form->width()));
        locked->setChecked(through.isValid());
        if (through.isValid())
            module->Lookup("dtLockedThrough")->as<DateTimePicker>()->setDateTime(through.startOfDay());
        graceBox->setChecked(grace >= 0);
        if (grace >= 0)
            module->Lookup("spnGraceDays")->as<QSpinBox>()->setValue(grace);
        module->Lookup("btnOk")->as<QPushButton>()->click();
        Clock::reset();
        const QVariant days = m_db->scalar("select GRACE_DAYS from PERIOD_LOCK");
        QCOMPARE(m_db->scalar("select LOCKED_THROUGH from PERIOD_LOCK").toString().left(10) + "|"
                     + (days.isNull() ? QString() : days.toString()),
                 stored);
        QCOMPARE(MessageService::shownForTests().isEmpty(), refusal.isEmpty());
        if (!refusal.isEmpty())
            QVERIFY(MessageService::shownForTests().first().text.contains(refusal));
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

        // The same text typed over stored ones, in each window that keeps texts.
        const struct
        {
            int window;
            const char* edit;
            const char* select;
        } edits[] = {{Projects, "DBEdit1", "select DESCRIPTION from PROJECTS where ID = 1"},
                     {Developers, "DBEdit2", "select LASTNAME from DEVELOPERS where ID = 1"},
                     {Customers, "DBEdit2", "select NAME from CUSTOMER where ID = 1"},
                     {Users, "DBEdit1", "select USERNAME from USERS where ID = 1"}};
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'anna','pw')");
        for (const auto& edit : edits) {
            auto window = openWindow(edit.window);
            QVERIFY(window->WorkingCopy()->locate("ID", 1));
            press(*window, "btnEdit");
            type(*window, edit.edit, text);
            press(*window, "btnOk");
            QVERIFY2(!window->ModuleForm()->isVisible(), edit.select);
            QCOMPARE(m_db->scalar(QString::fromLatin1(edit.select)).toString(), text);
        }
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
            MessageService::queueAnswer(QMessageBox::Yes); // delete
            press(*module, "btnDelete");
            MessageService::queueAnswer(QMessageBox::Yes); // discard
            press(*module, "btnCancel");
            QVERIFY(!module->ModuleForm()->isVisible());
            QCOMPARE(m_db->count("PROJECTS"), 3);
        }
        auto module = open<TdmProjects, TFrmProjects>();
        QVERIFY(module->WorkingCopy()->locate("DESCRIPTION", "Portal"));
        MessageService::queueAnswer(QMessageBox::Yes);
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
        MessageService::queueAnswer(QMessageBox::Yes);
        press(*module, "btnDelete");
        QCOMPARE(MessageService::shownForTests().last().text, QStringLiteral("Delete project \"short-lived\"?"));
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
        for (int i = 0; i < 3; ++i) {
            MessageService::queueAnswer(QMessageBox::Yes);
            press(*module, "btnDelete");
        }
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
        m_db->refuseWrites("insert", "PROJECTS", "no new projects");
        auto module = open<TdmProjects, TFrmProjects>();
        MessageService::queueAnswer(QMessageBox::Yes);
        press(*module, "btnDelete"); // a deletion that must be rolled back
        press(*module, "btnNew");
        type(*module, "DBEdit1", "refused");
        press(*module, "btnOk");
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(m_db->count("PROJECTS"), 3);
        QCOMPARE(MessageService::shownForTests().size(), 2);
        QVERIFY(MessageService::shownForTests().last().text.contains("no new projects"));
        // The edits are still there: a second Ok without the trigger writes them.
        m_db->allowWrites();
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
        MessageService::queueAnswer(QMessageBox::Yes);
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
        QTest::newRow("postgresql") << 2;
    }
    void projectsPerDeveloper()
    {
        QFETCH(int, kind);
        // The embedded file takes either list; a server only its own.
        if (TestDatabase::onServer() && kind != TestDatabase::kind())
            QSKIP("a server runs only the statements of its own kind");
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
        MessageService::queueAnswer(QMessageBox::Yes);
        press(*module, "btnDelete");
        press(*module, "btnOk");
        // One of the duplicate pairs is gone; the new assignment has no project.
        QCOMPARE(column(*m_db, "select DEVELOPER_ID || '/' || PROJECT_ID from DEVELOPER_PROJECTS order by ID"),
                 QStringList({"1/1", "2/2", "2/0"}));
    }

    void projectsPerDeveloperDeleteAll()
    {
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,1),(2,2)");
        auto module = open<TdmProjectPerDeveloper, TFrmProjectPerDeveloper>();
        for (int i = 0; i < 2; ++i) {
            MessageService::queueAnswer(QMessageBox::Yes);
            press(*module, "btnDelete");
        }
        press(*module, "btnOk");
        QCOMPARE(m_db->count("DEVELOPER_PROJECTS"), 0);
    }

    // What refers to a record is counted before it goes; what is being
    // monitored cannot go at all.
    void deleteAsksNamingTheRecord_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("monitoring");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("deleted");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("project with intervals")
            << int(Projects) << false << "DESCRIPTION" << "Portal" << yes
            << "Project \"Portal\" has 1,234 recorded intervals and 1 assignment; they stay, without a project. "
               "Delete it?"
            << true;
        QTest::newRow("project kept by No") << int(Projects) << false << "DESCRIPTION" << "Billing" << no
                                            << "Delete project \"Billing\"?" << false;
        QTest::newRow("project without a name") << int(Projects) << false << "ID" << "3" << yes
                                                << "Delete project 3?" << true;
        QTest::newRow("monitored project") << int(Projects) << true << "DESCRIPTION" << "Portal" << yes
                                           << "Project \"Portal\" is being monitored right now and cannot be "
                                              "deleted. Stop monitoring first."
                                           << false;
        QTest::newRow("project monitored is another") << int(Projects) << true << "DESCRIPTION" << "Billing" << yes
                                                      << "Delete project \"Billing\"?" << true;
        QTest::newRow("developer with intervals, user and assignment")
            << int(Developers) << false << "ID" << "1" << yes
            << "Developer \"Berg Anna\" has 1,234 recorded intervals, 1 user and 1 assignment; they stay, without a "
               "developer. Delete it?"
            << true;
        QTest::newRow("monitored developer") << int(Developers) << true << "ID" << "1" << yes
                                             << "Developer \"Berg Anna\" is being monitored right now and cannot be "
                                                "deleted. Stop monitoring first."
                                             << false;
        QTest::newRow("customer with a project")
            << int(Customers) << false << "NAME" << "Blue Harbour" << yes
            << "Customer \"Blue Harbour\" has 1 project; they stay, without a customer. Delete it?" << true;
        QTest::newRow("user") << int(Users) << false << "USERNAME" << "anna" << no << "Delete user \"anna\"?"
                              << false;
        QTest::newRow("assignment") << int(Assignments) << false << "ID" << "1" << yes
                                    << "Delete assignment \"Berg Anna / Portal\"?" << true;
    }
    void deleteAsksNamingTheRecord()
    {
        QFETCH(int, window);
        QFETCH(bool, monitoring);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(bool, deleted);
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna','pw')");
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,2)");
        m_db->exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 1234)"
                   " insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) select 2,1,1 from n");
        TqvProjectMonitor* monitor = m_main->ProjectMonitor();
        if (monitoring) {
            monitor->DeveloperID = 1;
            monitor->ProjectID = 2;
            monitor->StartMonitoring(WorkSource::Window);
        }
        const QStringList tables = {"PROJECTS", "DEVELOPERS", "CUSTOMER", "USERS", "DEVELOPER_PROJECTS"};
        const QString table = tables.at(window);
        const int before = m_db->count(table);
        const int intervals = m_db->count("PROJECTWORK");

        auto module = openWindow(window);
        QVERIFY(module->WorkingCopy()->locate(field, value));
        MessageService::queueAnswer(QMessageBox::StandardButton(answer));
        press(*module, "btnDelete");
        QCOMPARE(MessageService::shownForTests().size(), 1);
        const MessageService::Request& asked = MessageService::shownForTests().first();
        QCOMPARE(asked.text, shown);
        if (!shown.contains("monitored")) {
            QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(asked.defaultButton, QMessageBox::No);
        }
        MessageService::queueAnswer(QMessageBox::Yes); // should Ok find nothing to write, nothing asks
        press(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(m_db->count(table), deleted ? before - 1 : before);
        QCOMPARE(m_db->count("PROJECTWORK"), intervals); // what referred to it stays
        if (monitoring)
            monitor->StopMonitoring(WorkSource::Window);
    }

    // The key columns are never edited; Manage Users showed the ID and let
    // user 1 be written over user 2.
    void usersIdCannotBeEdited()
    {
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna','pw1'),"
                   "(2,1,'chidi','pw2')");
        auto module = open<TdmUsers, TFrmUsers>();
        auto* grid = module->Lookup("DBGrid1")->as<DbGrid>();
        QVERIFY(grid);
        QCOMPARE(grid->columnField(0), QStringLiteral("ID"));
        QCOMPARE(module->WorkingCopy()->value("ID").toInt(), 1);
        const QModelIndex id = grid->model()->index(0, 0);
        QVERIFY(!(grid->model()->flags(id) & Qt::ItemIsEditable));
        grid->setFocus();
        grid->setCurrentIndex(id);
        QTest::keyClicks(grid, "2");
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(id).center());
        QVERIFY(!grid->findChild<QLineEdit*>());
        QVERIFY(!grid->model()->setData(id, 2, Qt::EditRole));
        MemTable* copy = module->WorkingCopy();
        QCOMPARE(copy->valueAt(0, copy->fieldIndex("ID")).toInt(), 1);
        QCOMPARE(copy->valueAt(1, copy->fieldIndex("ID")).toInt(), 2);
        // The other columns still edit.
        const QModelIndex name = grid->model()->index(0, 1);
        QVERIFY(grid->model()->flags(name) & Qt::ItemIsEditable);
        QVERIFY(grid->model()->setData(name, "anna2", Qt::EditRole));
        press(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(column(*m_db, "select ID || ' ' || USERNAME || ' ' || PASSWORD from USERS order by ID"),
                 QStringList({"1 anna2 pw1", "2 chidi pw2"}));
    }

    void flagColumnsAreCheckBoxes()
    {
        auto module = open<TdmProjects, TFrmProjects>();
        auto* grid = module->Lookup("DBGrid1")->as<DbGrid>();
        QAbstractItemModel* model = grid->model();
        QCOMPARE(grid->columnField(2), QStringLiteral("IS_FINISHED"));
        const QModelIndex billing = model->index(0, 2), portal = model->index(1, 2);
        QVERIFY(model->flags(billing) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model->flags(billing) & Qt::ItemIsEditable));
        QCOMPARE(model->data(billing, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(model->data(portal, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(model->data(portal, Qt::DisplayRole).isNull());
        for (const char* refused : {"5", "-1", "yes", ""})
            QVERIFY2(!model->setData(billing, refused, Qt::EditRole), refused);
        QVERIFY(model->setData(billing, int(Qt::Checked), Qt::CheckStateRole));
        press(*module, "btnSave");
        QVERIFY(model->setData(portal, int(Qt::Unchecked), Qt::CheckStateRole));
        press(*module, "btnOk");
        QCOMPARE(column(*m_db, "select IS_FINISHED from PROJECTS order by ID"), QStringList({"1", "0", "0"}));
    }

    void discardAsksOnlyAfterChanges_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("change"); // edit, delete, new, untyped, none
        QTest::addColumn<QString>("leave");  // cancel, escape, close
        QTest::newRow("projects, edit, Cancel") << int(Projects) << "edit" << "cancel";
        QTest::newRow("projects, nothing, Cancel") << int(Projects) << "none" << "cancel";
        QTest::newRow("developers, delete, Escape") << int(Developers) << "delete" << "escape";
        QTest::newRow("customers, new row, close box") << int(Customers) << "new" << "close";
        QTest::newRow("users, new row nothing typed, Cancel") << int(Users) << "untyped" << "cancel";
        QTest::newRow("assignments, delete, close box") << int(Assignments) << "delete" << "close";
    }
    void discardAsksOnlyAfterChanges()
    {
        QFETCH(int, window);
        QFETCH(QString, change);
        QFETCH(QString, leave);
        m_db->exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,'anna','pw')");
        m_db->exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (1,2)");
        // What every window keeps, read the same way on every kind.
        const auto dump = [this] {
            QStringList all;
            for (const char* sql : {"select DESCRIPTION from PROJECTS order by ID", "select count(*) from DEVELOPERS",
                                    "select NAME from CUSTOMER order by ID", "select count(*) from USERS",
                                    "select count(*) from DEVELOPER_PROJECTS"})
                all << column(*m_db, QString::fromLatin1(sql)).join(QLatin1Char(','));
            return all;
        };
        const QStringList stored = dump();
        auto module = openWindow(window);
        MemTable* copy = module->WorkingCopy();
        if (change == "edit") {
            press(*module, "btnEdit");
            copy->setValue(copy->fieldNames().at(1), "changed");
        } else if (change == "delete") {
            MessageService::queueAnswer(QMessageBox::Yes);
            press(*module, "btnDelete");
        } else if (change == "new") {
            press(*module, "btnNew");
            type(*module, "DBEdit2", "Kestrel Labs");
            press(*module, "btnSave");
        } else if (change == "untyped") {
            press(*module, "btnNew");
        }
        QWidget* form = module->ModuleForm();
        const qsizetype asked = MessageService::shownForTests().size();
        auto leaveWindow = [&] {
            if (leave == "cancel")
                press(*module, "btnCancel");
            else if (leave == "escape")
                QTest::keyClick(form, Qt::Key_Escape);
            else
                form->close();
        };
        const bool changed = change != "none" && change != "untyped";
        MessageService::queueAnswer(QMessageBox::No);
        leaveWindow();
        if (changed) {
            QCOMPARE(MessageService::shownForTests().size(), asked + 1);
            QCOMPARE(MessageService::shownForTests().last().text, QStringLiteral("Discard your changes?"));
            QCOMPARE(MessageService::shownForTests().last().defaultButton, QMessageBox::No);
            QVERIFY(form->isVisible()); // No keeps the window and its changes
            MessageService::queueAnswer(QMessageBox::Yes);
            leaveWindow();
        } else {
            QCOMPARE(MessageService::shownForTests().size(), asked);
        }
        QVERIFY(!form->isVisible());
        QCOMPARE(dump(), stored);
    }

    // A row is not kept without the value that names it; a new row with
    // nothing typed is dropped without a word.
    void emptyRowsAreNotWritten_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("edit");  // the bound edit typed into; empty: none
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal"); // empty: nothing is said
        QTest::newRow("project, nothing typed") << int(Projects) << "" << "" << "";
        QTest::newRow("project, blanks only") << int(Projects) << "DBEdit1" << "   " << "A project needs a value in \"Description\".";
        QTest::newRow("developer, first name only") << int(Developers) << "DBEdit1" << "Erik" << "A developer needs a value in \"LastName\".";
        QTest::newRow("customer, code only") << int(Customers) << "DBEdit1" << "KL" << "A customer needs a value in \"Name\".";
        QTest::newRow("user, nothing typed") << int(Users) << "" << "" << "";
    }
    void emptyRowsAreNotWritten()
    {
        QFETCH(int, window);
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        const QStringList tables = {"PROJECTS", "DEVELOPERS", "CUSTOMER", "USERS", "DEVELOPER_PROJECTS"};
        const int before = m_db->count(tables.at(window));
        auto module = openWindow(window);
        const int rows = module->WorkingCopy()->recordCount();
        press(*module, "btnNew");
        if (!edit.isEmpty())
            type(*module, edit.toLatin1().constData(), text);
        press(*module, "btnSave");
        if (refusal.isEmpty()) {
            QVERIFY(MessageService::shownForTests().isEmpty());
            QCOMPARE(module->WorkingCopy()->recordCount(), rows);
            press(*module, "btnOk");
            QVERIFY(!module->ModuleForm()->isVisible());
        } else {
            QCOMPARE(MessageService::shownForTests().size(), 1);
            QCOMPARE(MessageService::shownForTests().first().text, refusal);
            QCOMPARE(module->WorkingCopy()->state(), MemTable::Insert); // still being entered
            press(*module, "btnOk");
            QCOMPARE(MessageService::shownForTests().size(), 2);
            QCOMPARE(MessageService::shownForTests().last().text, refusal);
            QVERIFY(module->ModuleForm()->isVisible());
            // A row left by moving away is caught at Ok as well.
            module->WorkingCopy()->first();
            press(*module, "btnOk");
            QCOMPARE(MessageService::shownForTests().size(), 3);
            QVERIFY(module->ModuleForm()->isVisible());
            MessageService::queueAnswer(QMessageBox::Yes);
            press(*module, "btnCancel");
        }
        QCOMPARE(m_db->count(tables.at(window)), before);
    }

    // SQL Server keeps letters beyond its code page only in N'' literals.
    void serverTextLiterals()
    {
        m_main.reset();
        m_main = std::make_unique<TestMain>(*m_db, 1);
        auto module = open<TdmProjects, TFrmProjects>();
        press(*module, "btnEdit");
        type(*module, "DBEdit1", QString::fromUtf8("Ζωή O'Brien"));
        QCOMPARE(module->updateStatement(),
                 QString::fromUtf8("update PROJECTS set DESCRIPTION=N'Ζωή O''Brien',CUSTOMER_ID=1,IS_FINISHED=0 where ID =1"));
        m_main.reset();
        m_main = std::make_unique<TestMain>(*m_db, 0);
        QCOMPARE(module->updateStatement(),
                 QString::fromUtf8("update PROJECTS set DESCRIPTION='Ζωή O''Brien',CUSTOMER_ID=1,IS_FINISHED=0 where ID =1"));
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
