#include "components/o_DataSetToCsv.h"
#include "components/o_DataSetToExcel.h"
#include "components/o_Dialect.h"
#include "components/o_HoursChart.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_OptionsManager.h"
#include "components/o_SearchCriteria.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Reports.h"
#include "modules/f_SpecialEntry.h"
#include "modules/mc_Reports.h"
#include "modules/mc_SpecialEntry.h"
#include "support/ExternalReaders.h"
#include "support/TestMain.h"
#include "support/TestTimes.h"
#include "toolkit/AppPaths.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/XlsxWorkbook.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

const QString kSelect =
    " select PROJECTWORK.PROJECT_ID,PROJECTWORK.DEVELOPER_ID,PROJECTWORK.DAY_START,PROJECTWORK.DAY_END,"
    "PROJECTWORK.TIME_START,PROJECTWORK.TIME_END,PROJECTWORK.COMPLETED,PROJECTWORK.TIME_SPEND,"
    "PROJECTWORK.COMMENTS,CUS.NAME        as CUSTOMER_NAME,PR.DESCRIPTION as PROJECT_NAME,DEV.LASTNAME    as DEV_LASTNAME,"
    "DEV.NAME        as DEV_FIRSTNAME from ";
const QString kWhere = " where (DEVELOPER_ID = 3)  and  (COMPLETED = 1)  and  (DAY_START >= '2009-05-01')  and  "
                       "(DAY_END <= '2009-05-31')  order by PROJECTWORK.ID";
const QString kServerText = kSelect
                            + " PROJECTWORK  left join  PROJECTS PR on PR.ID = PROJECTWORK.PROJECT_ID\r"
                              "  left join  DEVELOPERS DEV on DEV.ID = PROJECTWORK.DEVELOPER_ID\r"
                              "  left join  CUSTOMER CUS on CUS.ID = PR.CUSTOMER_ID\r"
                            + kWhere;
const QString kLocalText = kSelect
                           + "(((   PROJECTWORK )   left join  PROJECTS PR on PR.ID = PROJECTWORK.PROJECT_ID )\r"
                             "  left join  DEVELOPERS DEV on DEV.ID = PROJECTWORK.DEVELOPER_ID ) \r"
                             "  left join  CUSTOMER CUS on CUS.ID = PR.CUSTOMER_ID\r"
                           + kWhere;

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestMain> m_main;
    QString m_workbook;
    QString m_output;
    QList<QUrl> m_opened;

    // The kinds whose statements run on the test database: the embedded file
    // takes the nested joins and the servers' plain ones alike; a server
    // database only its own.
    static QList<int> runnableKinds()
    {
        return TestDatabase::onServer() ? QList<int>{TestDatabase::kind()} : QList<int>{0, 1};
    }
    TCustomModule::Ptr<TdmReports> open(int kind = TestDatabase::kind())
    {
        auto module = TCustomModule::Create<TdmReports, TFrmReports>();
        module->DatabaseKind = kind;
        module->ExcelExport()->setOutputFolder(m_output);
        module->CsvExport()->setOutputFolder(m_output);
        module->Execute(false);
        return module;
    }
    template <class T>
    static T* find(TdmReports& module, const char* name)
    {
        T* found = module.Lookup(QString::fromLatin1(name))->as<T>();
        if (!found)
            qWarning() << "no" << name;
        return found;
    }
    // Picks an entry the way a user does with the keyboard.
    static void choose(TdmReports& module, const char* comboName, const QString& text)
    {
        auto* combo = find<DbLookupComboBox>(module, comboName);
        QVERIFY(combo);
        QVERIFY2(combo->findText(text) >= 0, qPrintable(text));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < combo->count() && combo->currentText() != text; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), text);
    }
    static void setDay(TdmReports& module, const char* pickerName, const QDate& day)
    {
        auto* picker = find<DateTimePicker>(module, pickerName);
        picker->setChecked(day.isValid());
        if (day.isValid())
            picker->setDateTime(QDateTime(day, QTime(23, 59, 59))); // the time of day plays no part
    }
    static void search(TdmReports& module) { find<QPushButton>(module, "btnSearch")->click(); }
    // The marker durations of the rows found, in ascending order.
    static QList<int> found(TdmReports& module)
    {
        QList<int> spends;
        SqlQuery* results = module.ResultsQuery();
        const int field = results->fieldIndex("TIME_SPEND");
        for (int r = 0; r < results->recordCount(); ++r)
            spends << results->valueAt(r, field).toInt();
        std::sort(spends.begin(), spends.end());
        return spends;
    }
    // The same as the rows come, without sorting.
    static QList<int> foundInOrder(TdmReports& module)
    {
        QList<int> spends;
        SqlQuery* results = module.ResultsQuery();
        const int field = results->fieldIndex("TIME_SPEND");
        for (int r = 0; r < results->recordCount(); ++r)
            spends << results->valueAt(r, field).toInt();
        return spends;
    }
    QStringList errors() const
    {
        QStringList texts;
        for (const auto& box : MessageService::shownForTests())
            if (box.icon == QMessageBox::Critical)
                texts << box.text;
        return texts;
    }
    QStringList exports() const { return QDir(m_output).entryList(QDir::Files); }
    // The first sheet's rows, columns A to H, as a spreadsheet program reads them.
    static QList<QStringList> sheetRows(const QString& workbook)
    {
        const QJsonObject cells = ExternalReaders::xlsxContents(workbook)
                                      .value("sheets")
                                      .toArray()
                                      .first()
                                      .toObject()
                                      .value("cells")
                                      .toObject();
        static const QRegularExpression reference(QStringLiteral("^([A-Z]+)([0-9]+)$"));
        QMap<int, QStringList> byRow;
        for (auto cell = cells.begin(); cell != cells.end(); ++cell) {
            const QRegularExpressionMatch match = reference.match(cell.key());
            if (!match.hasMatch())
                continue;
            QStringList& row = byRow[match.captured(2).toInt()];
            if (row.isEmpty())
                row = QStringList(8, QString());
            const QString column = match.captured(1);
            if (column.size() == 1 && column.at(0) < QLatin1Char('I'))
                row[column.at(0).unicode() - 'A'] = cell.value().toObject().value("value").toString();
        }
        return byRow.values();
    }
    // The progress bar is up while the export runs (the success box comes
    // before it is hidden) and gone, back at 0, afterwards.
    static void exportShowsTheBar(TdmReports& module, const char* command)
    {
        auto* bar = find<QProgressBar>(module, "ExportProgressBar");
        bool barShown = false;
        MessageService::setHandler([&](const MessageService::Request&) {
            barShown = barShown || bar->isVisible();
            return QMessageBox::Ok;
        });
        find<QAction>(module, command)->trigger();
        QVERIFY(barShown);
        QVERIFY(bar->isHidden());
        QCOMPARE(bar->value(), 0);
    }

    // Closes the next print preview as soon as it has drawn its pages,
    // noting what it showed.
    int previewsShown = 0;
    int previewPages = 0;
    QString previewTitle;
    void watchPreview()
    {
        previewsShown = 0;
        previewPages = 0;
        auto* poll = new QTimer(this);
        poll->setInterval(20);
        QElapsedTimer waited;
        waited.start();
        connect(poll, &QTimer::timeout, this, [this, poll, waited] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            auto* pages = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
            if (pages && pages->pageCount() > 0) {
                ++previewsShown;
                previewPages = pages->pageCount();
                previewTitle = preview->windowTitle();
                preview->reject();
                poll->deleteLater();
            } else if (waited.elapsed() > 20000) {
                // Never leave the test waiting on a window nobody closes.
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
                poll->deleteLater();
            }
        });
        poll->start();
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_main = std::make_unique<TestMain>(*m_db, TestDatabase::kind());
        AppPaths::setApplicationFolderForTests(m_db->folder());
        GetOptionsManager()->setOptionsFileName(QDir(m_db->folder()).filePath("options.ini"));
        QDir(m_db->folder()).mkpath("Reports");
        m_workbook = QDir(m_db->folder()).filePath("Reports/Hourwright.xlsx");
        XlsxWriter::createEmptyWorkbook(m_workbook);
        m_output = QDir(m_db->folder()).filePath("exports");
        QDir().mkpath(m_output);
        MessageService::resetForTests();
        m_opened.clear();
        previewsShown = 0;
        UrlOpener::setHandler([this](const QUrl& url) {
            m_opened << url;
            return true;
        });
        Clock::setNow(at("2026-12-08 14:03:22"));

        m_db->exec("insert into CUSTOMER (CODE,NAME) values ('A','Acme'),('G','Globex')");
        m_db->exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values "
                   "('Billing',1,0),('Portal',2,0),('Archive',1,1)");
        m_db->exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Smith','Ann'),('Jones','Bob'),('Brown','Cid')");
        // TIME_SPEND marks each interval so a test can tell which ones were found.
        m_db->exec(
            "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,DAY_START,DAY_END) "
            "values "
            "(1,1,'2009-05-01 08:00:00.000','2009-05-01 09:00:00.000',1,1,'2009-05-01','2009-05-01'),"
            "(1,3,'2009-05-31 08:00:00.000','2009-05-31 10:00:00.000',2,1,'2009-05-31','2009-05-31'),"
            "(2,3,'2009-04-30 08:00:00.000','2009-04-30 11:00:00.000',3,1,'2009-04-30','2009-04-30'),"
            "(2,3,'2009-05-31 22:00:00.000','2009-06-01 02:00:00.000',4,1,'2009-05-31','2009-06-01'),"
            "(3,1,'2009-05-10 08:00:00.000',NULL,5,0,'2009-05-10',NULL),"
            "(1,2,'2009-05-12 08:00:00.000','2009-05-12 14:00:00.000',6,1,NULL,NULL),"
            "(2,3,'2009-06-01 08:00:00.000','2009-06-01 15:00:00.000',7,1,'2009-06-01','2009-06-01')");
    }
    void cleanup()
    {
        UrlOpener::setHandler({});
        Clock::reset();
        m_main.reset();
        m_db.reset();
        AppPaths::setApplicationFolderForTests(QString());
    }

    void windowAsOpened()
    {
        auto module = open();
        QWidget* form = module->ModuleForm();
        QCOMPARE(form->windowTitle(), "Project Reports");
        QCOMPARE(form->size(), QSize(796, 540));
        QCOMPARE(find<QTabWidget>(*module, "PageControl1")->tabText(0), "Project Reports");
        QCOMPARE(find<QGroupBox>(*module, "GroupBox1")->title(), "Search Criteria");
        QCOMPARE(find<QPushButton>(*module, "btnSearch")->text(), "Search");
        QCOMPARE(find<QPushButton>(*module, "btnClose")->text(), "Close");
        auto* complete = find<QCheckBox>(*module, "chkBoxProjectComplete");
        QCOMPARE(complete->text(), "Project Entry Complete");
        QVERIFY(complete->isChecked());
        for (const char* name : {"dtDateStart", "dtDateStop"}) {
            auto* picker = find<DateTimePicker>(*module, name);
            QCOMPARE(picker->kind(), DateTimePicker::Date);
            QVERIFY(picker->showCheckBox());
            QVERIFY(!picker->isChecked());
            QCOMPARE(picker->dateTime(), at("2026-12-08 14:03:22"));
        }
        QVERIFY(find<QProgressBar>(*module, "ExportProgressBar")->isHidden());
        QVERIFY(find<QPlainTextEdit>(*module, "SQLMemo")->isHidden());
        QCOMPARE(find<QAction>(*module, "mnuClose")->text(), "Close");
        QStringList menu;
        for (QAction* item : find<QMenu>(*module, "mnuActions")->actions())
            if (item->isVisible() && !item->isSeparator())
                menu << item->text();
        QCOMPARE(menu, QStringList({"Print", "Save as PDF...", "Export to Excel", "Export to CSV"}));
        QCOMPARE(find<QAction>(*module, "mnuPrint")->shortcut(), QKeySequence(QKeySequence::Print));
        auto* pages = find<QTabWidget>(*module, "ResultPages");
        QCOMPARE(pages->count(), 2);
        QCOMPARE(pages->tabText(0), "Intervals");
        QCOMPARE(pages->tabText(1), "Totals");
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(find<QLabel>(*module, "lblTotals")->text(), "");
        QCOMPARE(find<QGroupBox>(*module, "ChartBox")->title(), "Hours per Day");

        auto* grid = find<DbGrid>(*module, "ResultsGrid");
        QList<QStringList> columns;
        for (const DbGrid::Column& c : grid->gridColumns())
            columns << QStringList{c.field, c.title, QString::number(c.width)};
        QCOMPARE(columns, (QList<QStringList>{{"PROJECT_NAME", "Project", "150"},
                                              {"DEV_LASTNAME", "Developer", "140"},
                                              {"DAY_START", "Start Date", "100"},
                                              {"DAY_END", "End Date", "100"},
                                              {"TIME_SPEND", "Work Time", "99"},
                                              {"TIME_START", "Start Time", "80"},
                                              {"TIME_END", "End Time", "80"},
                                              {"COMMENTS", "Comment", "200"}}));
        QVERIFY(!module->ResultsQuery()->isActive());
        QCOMPARE(grid->model()->rowCount(), 0);

        // The lookups list everyone and everything, finished projects too.
        auto items = [&](const char* name) {
            QStringList texts;
            auto* combo = find<DbLookupComboBox>(*module, name);
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
            return texts;
        };
        QCOMPARE(items("DBLookupComboBox1"), QStringList({"Brown Cid", "Jones Bob", "Smith Ann"}));
        QCOMPARE(items("DBLookupComboBox2"), QStringList({"Archive", "Billing", "Portal"}));
        QCOMPARE(items("DBLookupComboBox3"), QStringList({"Acme", "Globex"}));
        QVERIFY(module->CriteriaRecord()->isEmpty());
    }

    void searches_data()
    {
        QTest::addColumn<QString>("developer");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("customer");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("stop");
        QTest::addColumn<QList<int>>("expected");
        const QDate none;
        QTest::newRow("nothing chosen: only completed") << "" << "" << "" << true << none << none
                                                        << QList<int>{1, 2, 3, 4, 6, 7};
        QTest::newRow("entry not complete: the running interval")
            << "" << "" << "" << false << none << none << QList<int>{5};
        QTest::newRow("developer") << "Brown Cid" << "" << "" << true << none << none << QList<int>{2, 3, 4, 7};
        QTest::newRow("project") << "" << "Portal" << "" << true << none << none << QList<int>{3, 4, 7};
        QTest::newRow("customer through the project") << "" << "" << "Acme" << true << none << none
                                                      << QList<int>{1, 2, 6};
        QTest::newRow("developer and project") << "Brown Cid" << "Billing" << "" << true << none << none
                                               << QList<int>{2};
        QTest::newRow("developer in May, both ends inclusive")
            << "Brown Cid" << "" << "" << true << QDate(2009, 5, 1) << QDate(2009, 5, 31) << QList<int>{2};
        QTest::newRow("one day") << "" << "" << "" << true << QDate(2009, 5, 1) << QDate(2009, 5, 1) << QList<int>{1};
        QTest::newRow("start only") << "" << "" << "" << true << QDate(2009, 5, 31) << none << QList<int>{2, 4, 7};
        QTest::newRow("stop only") << "" << "" << "" << true << none << QDate(2009, 4, 30) << QList<int>{3};
        QTest::newRow("hand entries without days never match a date")
            << "Jones Bob" << "" << "" << true << QDate(2000, 1, 1) << none << QList<int>{};
        QTest::newRow("nothing matches") << "Smith Ann" << "Portal" << "" << true << none << none << QList<int>{};
    }
    void searches()
    {
        QFETCH(QString, developer);
        QFETCH(QString, project);
        QFETCH(QString, customer);
        QFETCH(bool, complete);
        QFETCH(QDate, start);
        QFETCH(QDate, stop);
        QFETCH(QList<int>, expected);
        for (int kind : runnableKinds()) {
            auto module = open(kind);
            if (!developer.isEmpty())
                choose(*module, "DBLookupComboBox1", developer);
            if (!project.isEmpty())
                choose(*module, "DBLookupComboBox2", project);
            if (!customer.isEmpty())
                choose(*module, "DBLookupComboBox3", customer);
            if (!complete)
                find<QCheckBox>(*module, "chkBoxProjectComplete")->click();
            setDay(*module, "dtDateStart", start);
            setDay(*module, "dtDateStop", stop);
            search(*module);
            QVERIFY2(errors().isEmpty(), qPrintable(errors().join('\n')));
            QCOMPARE(found(*module), expected);
            // In the order they were entered (the markers ascend with the keys), whatever the kind.
            QCOMPARE(foundInOrder(*module), expected);
            QCOMPARE(find<DbGrid>(*module, "ResultsGrid")->model()->rowCount(), expected.size());
        }
    }

    void nothingChosenHasOneCondition()
    {
        auto module = open();
        search(*module);
        const QString memo = find<QPlainTextEdit>(*module, "SQLMemo")->toPlainText();
        QVERIFY2(memo.endsWith("PR.CUSTOMER_ID\n where (COMPLETED = 1)  order by PROJECTWORK.ID"), qPrintable(memo));
        find<QCheckBox>(*module, "chkBoxProjectComplete")->click();
        search(*module);
        QVERIFY(find<QPlainTextEdit>(*module, "SQLMemo")->toPlainText().endsWith("\n where (COMPLETED = 0)  order by PROJECTWORK.ID"));
    }

    void deleteKeyRemovesTheCondition()
    {
        auto module = open();
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        choose(*module, "DBLookupComboBox3", "Globex");
        search(*module);
        QCOMPARE(found(*module), QList<int>({3, 4, 7}));
        auto* developer = find<DbLookupComboBox>(*module, "DBLookupComboBox1");
        developer->setFocus();
        QTest::keyClick(developer, Qt::Key_Delete);
        QCOMPARE(developer->currentIndex(), -1);
        search(*module);
        const QString memo = find<QPlainTextEdit>(*module, "SQLMemo")->toPlainText();
        QVERIFY(!memo.contains("DEVELOPER_ID = "));
        QVERIFY(memo.contains("(CUSTOMER_ID = 2)"));
        QCOMPARE(found(*module), QList<int>({3, 4, 7}));
        auto* customer = find<DbLookupComboBox>(*module, "DBLookupComboBox3");
        customer->setFocus();
        QTest::keyClick(customer, Qt::Key_Delete);
        search(*module);
        QCOMPARE(found(*module), QList<int>({1, 2, 3, 4, 6, 7}));
    }

    void workedExampleInBothKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("local file") << 0 << kLocalText;
        QTest::newRow("sql server") << 1 << kServerText;
        QTest::newRow("postgresql") << 2 << kServerText;
    }
    void workedExampleInBothKinds()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        if (Dialect::nestedJoins(kind) && TestDatabase::onServer())
            QSKIP("the nested joins are the embedded file's own; the server runs the plain ones");
        auto module = open(kind);
        choose(*module, "DBLookupComboBox1", "Brown Cid"); // ID 3
        setDay(*module, "dtDateStart", QDate(2009, 5, 1));
        setDay(*module, "dtDateStop", QDate(2009, 5, 31));
        search(*module);
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join('\n')));
        QCOMPARE(module->QueryBuilder()->GetSQL(), kServerText);
        QCOMPARE(kind == 0 ? TdmReports::AccessFromClause(module->QueryBuilder()->GetSQL())
                           : module->QueryBuilder()->GetSQL(),
                 text);
        // The memo holds the text sent, split into lines at the carriage returns.
        QString lines = text;
        lines.replace('\r', '\n');
        QCOMPARE(module->ResultsQuery()->sql(), lines);
        QCOMPARE(find<QPlainTextEdit>(*module, "SQLMemo")->toPlainText(), lines);
        QVERIFY(find<QPlainTextEdit>(*module, "SQLMemo")->isHidden());
        // Both texts run as they stand.
        QCOMPARE(found(*module), QList<int>{2});
        SqlQuery* results = module->ResultsQuery();
        QCOMPARE(results->value("PROJECT_NAME").toString(), "Billing");
        QCOMPARE(results->value("CUSTOMER_NAME").toString(), "Acme");
        QCOMPARE(results->value("DEV_LASTNAME").toString(), "Brown");
        QCOMPARE(results->value("DEV_FIRSTNAME").toString(), "Cid");
        QCOMPARE(results->value("DAY_START").toDate(), QDate(2009, 5, 31));
        QCOMPARE(results->value("TIME_START").toDateTime(), at("2009-05-31 08:00:00"));
    }

    void developerNamesPerKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("sql");
        QTest::newRow("local file joins with ||")
            << 0 << "select ID,LASTNAME || ' ' || NAME as DEVELOPER_NAME from DEVELOPERS order BY LASTNAME,NAME";
        QTest::newRow("sql server joins with +")
            << 1 << "select ID,LASTNAME + ' ' + NAME as DEVELOPER_NAME from DEVELOPERS order BY LASTNAME,NAME";
        QTest::newRow("postgresql joins with ||")
            << 2 << "select ID,LASTNAME || ' ' || NAME as DEVELOPER_NAME from DEVELOPERS order BY LASTNAME,NAME";
    }
    void developerNamesPerKind()
    {
        QFETCH(int, kind);
        QFETCH(QString, sql);
        QCOMPARE(TdmReports::developersStatement(kind), sql);
    }

    void accessFromClauseLeavesOtherTextsAlone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no from") << " select 1";
        QTest::newRow("no joins") << " select PROJECTWORK.ID from  PROJECTWORK where (A = 1) ";
        QTest::newRow("other main table") << " select X.ID from  X  left join  P on P.ID = X.P_ID\r";
    }
    void accessFromClauseLeavesOtherTextsAlone()
    {
        QFETCH(QString, text);
        QCOMPARE(TdmReports::AccessFromClause(text), text);
    }

    void failedSearchKeepsTheWindow()
    {
        auto module = open();
        search(*module);
        QVERIFY(module->ResultsQuery()->isActive());
        m_db->exec("alter table DEVELOPERS rename to DEVS");
        search(*module);
        QCOMPARE(errors().size(), 1);
        QVERIFY2(errors().first().contains("DEVELOPERS"), qPrintable(errors().first()));
        QVERIFY(!module->ResultsQuery()->isActive());
        QCOMPARE(find<DbGrid>(*module, "ResultsGrid")->model()->rowCount(), 0);
        QVERIFY(module->ModuleForm()->isVisible());
        m_db->exec("alter table DEVS rename to DEVELOPERS");
        search(*module);
        QCOMPARE(found(*module).size(), 6);
    }

    void exportWritesTheResults()
    {
        auto module = open();
        const QString comment = QStringLiteral("it's \"late\" <b>&amp;</b>,\nsecond line: 検証 проверка ✓ ") + QString(10000, 'z');
        m_db->exec("update PROJECTWORK set COMMENTS = :C where TIME_SPEND = 4", {comment});
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        search(*module);
        exportShowsTheBar(*module, "mnuExportToExcel");
        const QStringList files = exports();
        QCOMPARE(files, QStringList{"Hourwright 2026-12-08 14-03-22.xlsx"});
        // The comment is the eighth column, as a spreadsheet program reads it.
        const QList<QStringList> rows = sheetRows(QDir(m_output).filePath(files.first()));
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows.first().value(7), "Comment");
        // The same cells, in the same order, whatever kind the rows came from.
        QList<QStringList> cells;
        for (const QStringList& row : rows.mid(1))
            cells << row.mid(0, 7);
        QCOMPARE(cells, (QList<QStringList>{
                            {"Billing", "Brown", "2009-05-31 00:00:00", "2009-05-31 00:00:00", "2", "2009-05-31 08:00:00",
                             "2009-05-31 10:00:00"},
                            {"Portal", "Brown", "2009-04-30 00:00:00", "2009-04-30 00:00:00", "3", "2009-04-30 08:00:00",
                             "2009-04-30 11:00:00"},
                            {"Portal", "Brown", "2009-05-31 00:00:00", "2009-06-01 00:00:00", "4", "2009-05-31 22:00:00",
                             "2009-06-01 02:00:00"},
                            {"Portal", "Brown", "2009-06-01 00:00:00", "2009-06-01 00:00:00", "7", "2009-06-01 08:00:00",
                             "2009-06-01 15:00:00"}}));
        QVERIFY(std::any_of(rows.begin(), rows.end(), [&](const QStringList& row) { return row.value(7) == comment; }));
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, "Exported Successfully");
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(QDir(m_output).filePath(files.first()))});
        QCOMPARE(module->ExcelExport()->ExcelFileName(), m_workbook);
    }

    void exportFromTheGridsPopupMenu()
    {
        auto module = open();
        search(*module);
        auto* grid = find<DbGrid>(*module, "ResultsGrid");
        auto* popup = find<QMenu>(*module, "GridPopMenu");
        QVERIFY(!popup->isVisible());
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), grid->viewport()->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::sendEvent(grid->viewport(), &event);
        QTRY_VERIFY(popup->isVisible());
        QStringList shown;
        for (QAction* item : popup->actions())
            if (item->isVisible() && !item->isSeparator())
                shown << item->text();
        QCOMPARE(shown, QStringList({"Print", "Save as PDF...", "Export to Excel", "Export to CSV"}));
        popup->hide();
        find<QAction>(*module, "mnuPopUpExportToExcel")->trigger();
        QCOMPARE(exports().size(), 1);
    }

    void exportNeedsRows_data()
    {
        QTest::addColumn<bool>("searchFirst");
        QTest::newRow("before the first search") << false;
        QTest::newRow("search found nothing") << true;
    }
    void exportNeedsRows()
    {
        QFETCH(bool, searchFirst);
        auto module = open();
        if (searchFirst) {
            choose(*module, "DBLookupComboBox1", "Smith Ann");
            choose(*module, "DBLookupComboBox2", "Portal");
            search(*module);
            QVERIFY(module->ResultsQuery()->isActive());
            QCOMPARE(module->ResultsQuery()->recordCount(), 0);
        }
        find<QAction>(*module, "mnuExportToExcel")->trigger();
        find<QAction>(*module, "mnuPopUpExportToExcel")->trigger();
        QVERIFY(MessageService::shownForTests().isEmpty());
        QVERIFY(exports().isEmpty());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(find<QProgressBar>(*module, "ExportProgressBar")->isHidden());
    }

    void opensWithoutWorkbookAndSaysSoOnExport()
    {
        QFile::remove(m_workbook);
        auto module = open();
        QVERIFY(module->ModuleForm()->isVisible());
        QVERIFY(MessageService::shownForTests().isEmpty());
        search(*module);
        QCOMPARE(found(*module).size(), 6);
        find<QAction>(*module, "mnuExportToExcel")->trigger();
        QCOMPARE(errors(), QStringList{QStringLiteral("The excel file %1 does not exist!").arg(m_workbook)});
        QVERIFY(exports().isEmpty());
        QVERIFY(find<QProgressBar>(*module, "ExportProgressBar")->isHidden());
        // Put back, the workbook is found at the next export.
        XlsxWriter::createEmptyWorkbook(m_workbook);
        find<QAction>(*module, "mnuExportToExcel")->trigger();
        QCOMPARE(exports().size(), 1);
    }

    void workbookThatVanishesIsMissingAtExport()
    {
        auto module = open();
        search(*module);
        QFile::remove(m_workbook);
        find<QAction>(*module, "mnuExportToExcel")->trigger();
        QCOMPARE(errors(), QStringList{QStringLiteral("The excel file %1 does not exist!").arg(m_workbook)});
    }

    void workbookPathFromOptions_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("relative");
        QTest::newRow("no ExcelPath") << "" << "Reports/Hourwright.xlsx";
        QTest::newRow("empty ExcelPath") << "ExcelPath=" << "Reports/Hourwright.xlsx";
        QTest::newRow("backslashes") << "ExcelPath=Books\\Team.xlsx" << "Books/Team.xlsx";
    }
    void workbookPathFromOptions()
    {
        QFETCH(QString, line);
        QFETCH(QString, relative);
        QFile options(GetOptionsManager()->OptionsFileName());
        QVERIFY(options.open(QIODevice::WriteOnly));
        options.write(("[ExportSettings]\r\n" + line + "\r\n").toUtf8());
        options.close();
        auto module = open();
        QCOMPARE(module->WorkbookPath(), QDir(m_db->folder()).filePath(relative));
    }

    void closeCloses_data()
    {
        QTest::addColumn<QString>("closer");
        QTest::newRow("button") << "btnClose";
        QTest::newRow("menu") << "mnuClose";
    }
    void closeCloses()
    {
        QFETCH(QString, closer);
        auto module = open();
        search(*module);
        QVERIFY(module->ModuleForm()->isVisible());
        QObject* item = module->Lookup(closer)->AsComponent();
        if (auto* button = qobject_cast<QPushButton*>(item))
            button->click();
        else
            qobject_cast<QAction*>(item)->trigger();
        QVERIFY(!module->ModuleForm()->isVisible());
    }

    // Totals of known intervals: the fixture's, a running one started by the
    // monitor (no duration yet) and a hand entry of 2.25 hours.
    void totalsFollowEverySearch_data()
    {
        QTest::addColumn<QString>("developer");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("totals");
        QTest::newRow("everything complete") << "" << true << "7 intervals, 25:15 h";
        QTest::newRow("still running") << "" << false << "2 intervals, 5:00 h (2 still running)";
        QTest::newRow("one developer") << "Jones Bob" << true << "2 intervals, 8:15 h";
        QTest::newRow("nothing found") << "Smith Ann" << false << "2 intervals, 5:00 h (2 still running)";
    }
    void totalsFollowEverySearch()
    {
        QFETCH(QString, developer);
        QFETCH(bool, complete);
        QFETCH(QString, totals);
        TqvProjectMonitor* monitor = m_main->ProjectMonitor();
        monitor->DeveloperID = 1;
        monitor->ProjectID = 1;
        monitor->StartMonitoring();
        QVERIFY(monitor->Monitoring());
        {
            auto entry = TCustomModule::Create<TdmSpecialEntry, TFrmSpecialEntry>();
            entry->DeveloperID = 2;
            entry->IsAdmin = true;
            entry->Execute(false);
            QVERIFY(entry->ProjectsQuery()->locate("DESCRIPTION", "Portal"));
            entry->Lookup("dtStartDate")->as<DateTimePicker>()->setDateTime(at("2026-12-07 00:00:00"));
            entry->Lookup("dtStartTime")->as<DateTimePicker>()->setDateTime(at("2001-01-01 09:00:00"));
            entry->Lookup("dtStopDate")->as<DateTimePicker>()->setDateTime(at("2026-12-07 00:00:00"));
            entry->Lookup("dtStopTime")->as<DateTimePicker>()->setDateTime(at("2001-01-01 11:15:30"));
            entry->Lookup("btnInsert")->as<QPushButton>()->click();
        }
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join('\n')));

        auto module = open();
        auto* label = find<QLabel>(*module, "lblTotals");
        if (developer == "Smith Ann") {
            // Totals of an earlier search give way to the next one's.
            choose(*module, "DBLookupComboBox1", developer);
            choose(*module, "DBLookupComboBox2", "Portal");
            search(*module);
            QCOMPARE(label->text(), "0 intervals, 0:00 h");
            for (const char* name : {"DBLookupComboBox1", "DBLookupComboBox2"}) {
                auto* combo = find<DbLookupComboBox>(*module, name);
                combo->setFocus();
                QTest::keyClick(combo, Qt::Key_Delete);
            }
        } else if (!developer.isEmpty()) {
            choose(*module, "DBLookupComboBox1", developer);
        }
        if (!complete)
            find<QCheckBox>(*module, "chkBoxProjectComplete")->click();
        search(*module);
        QCOMPARE(label->text(), totals);
        QCOMPARE(module->Totals().Intervals, module->ResultsQuery()->recordCount());
    }

    void totalsByProjectDeveloperAndDay()
    {
        auto module = open();
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        search(*module);
        QCOMPARE(find<QLabel>(*module, "lblTotals")->text(), "4 intervals, 16:00 h");
        auto rows = [&](const char* gridName) {
            QStringList texts;
            QAbstractItemModel* model = find<DbGrid>(*module, gridName)->model();
            for (int r = 0; r < model->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < model->columnCount(); ++c)
                    cells << model->index(r, c).data().toString();
                texts << cells.join('|');
            }
            return texts;
        };
        QCOMPARE(rows("TotalsByProjectGrid"), QStringList({"Portal|14:00|14|3", "Billing|2:00|2|1"}));
        QCOMPARE(rows("TotalsByDeveloperGrid"), QStringList({"Brown Cid|16:00|16|4"}));

        auto* chart = find<THoursChart>(*module, "HoursChart");
        const TReportTotals& totals = chart->totals();
        QVERIFY(!totals.Weekly);
        QCOMPARE(totals.Buckets.size(), 33); // 2009-04-30 to 2009-06-01
        QCOMPARE(totals.Buckets.first().first, QDate(2009, 4, 30));
        QCOMPARE(totals.Buckets.first().minutes, 3 * 60);
        QCOMPARE(totals.Buckets.at(31).minutes, 6 * 60); // 2009-05-31: 2 + 4 hours
        QCOMPARE(totals.Buckets.last().minutes, 7 * 60);
        QCOMPARE(find<QGroupBox>(*module, "ChartBox")->title(), "Hours per Day");

        // Everyone: from 2009 to a hand entry of old without days, charted by week.
        auto* developer = find<DbLookupComboBox>(*module, "DBLookupComboBox1");
        developer->setFocus();
        QTest::keyClick(developer, Qt::Key_Delete);
        m_db->exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED) values "
                   "(1,1,'2009-09-01 08:00:00.000','2009-09-01 09:30:00.000',1.5,1)");
        search(*module);
        QVERIFY(chart->totals().Weekly);
        QCOMPARE(find<QGroupBox>(*module, "ChartBox")->title(), "Hours per Week");
        QCOMPARE(chart->totals().Buckets.last().first, QDate(2009, 8, 31));
        QCOMPARE(chart->totals().Buckets.last().minutes, 90);
    }

    void failedSearchClearsTheTotals()
    {
        auto module = open();
        search(*module);
        QCOMPARE(find<QLabel>(*module, "lblTotals")->text(), "6 intervals, 23:00 h");
        m_db->exec("alter table DEVELOPERS rename to DEVS");
        search(*module);
        QCOMPARE(errors().size(), 1);
        QCOMPARE(find<QLabel>(*module, "lblTotals")->text(), "");
        QVERIFY(module->TotalsByProject()->isEmpty());
        QVERIFY(find<THoursChart>(*module, "HoursChart")->totals().Buckets.isEmpty());
        m_db->exec("alter table DEVS rename to DEVELOPERS");
    }

    void printPreviewShowsTheResult_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("menu") << "mnuPrint";
        QTest::newRow("grid's menu") << "mnuPopUpPrint";
    }
    void printPreviewShowsTheResult()
    {
        QFETCH(QString, command);
        auto module = open();
        watchPreview();
        find<QAction>(*module, command.toLatin1())->trigger();
        QCOMPARE(previewsShown, 0); // nothing before a search
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        search(*module);
        watchPreview();
        find<QAction>(*module, command.toLatin1())->trigger();
        QCOMPARE(previewsShown, 1);
        QCOMPARE(previewPages, 1);
        QCOMPARE(previewTitle, "Print Preview - Project Reports");
        QVERIFY(errors().isEmpty());
    }

    void longPrintIsAskedAbout_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("no") << QMessageBox::No;
        QTest::newRow("yes") << QMessageBox::Yes;
    }
    void longPrintIsAskedAbout()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        m_db->exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 4000) "
                   "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMPLETED,"
                   "DAY_START,DAY_END) select 1,1,'2010-01-01 08:00:00.000','2010-01-01 09:00:00.000',1,1,"
                   "'2010-01-01','2010-01-01' from n");
        auto module = open();
        search(*module);
        MessageService::useTestAnswers();
        MessageService::queueAnswer(answer);
        watchPreview();
        find<QAction>(*module, "mnuPrint")->trigger();
        QCOMPARE(MessageService::shownForTests().size(), 1);
        const MessageService::Request& question = MessageService::shownForTests().first();
        QVERIFY2(question.text.startsWith("The result fills "), qPrintable(question.text));
        QCOMPARE(question.defaultButton, QMessageBox::No);
        QCOMPARE(previewsShown, answer == QMessageBox::Yes ? 1 : 0);
        if (answer == QMessageBox::Yes)
            QVERIFY(previewPages > TdmReports::PagesWithoutAsking);
    }

    void saveAsPdf()
    {
        auto module = open();
        QStringList asked;
        TdmReports::SaveChooser = [&](QWidget*, const QString& caption, const QString& filter, const QString& start) {
            asked << caption << filter << start;
            return QDir(m_output).filePath("May report");
        };
        const auto restore = qScopeGuard([] { TdmReports::SaveChooser = &FileChooser::askToSave; });
        find<QAction>(*module, "mnuSaveAsPdf")->trigger();
        QVERIFY(asked.isEmpty()); // nothing before a search

        // A long comment with a line break prints on its row's line, cut, and leaves the other columns whole.
        m_db->exec("update PROJECTWORK set COMMENTS = :C where TIME_SPEND = 2",
                   {QStringLiteral("needs review\nsoon ") + QString(10000, 'x')});
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        setDay(*module, "dtDateStart", QDate(2009, 5, 1));
        setDay(*module, "dtDateStop", QDate(2009, 5, 31));
        search(*module);
        find<QAction>(*module, "mnuPopUpSaveAsPdf")->trigger();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked.at(0), "Save as PDF");
        QCOMPARE(asked.at(2), QDir(m_output).filePath("Hourwright report 2026-12-08.pdf"));
        const QString file = QDir(m_output).filePath("May report.pdf");
        QCOMPARE(exports(), QStringList{"May report.pdf"});
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, "Exported Successfully");
        const QString text = ExternalReaders::pdfText(file);
        for (const char* expected : {"Project Reports", "Developer: Brown Cid", "Project: all projects",
                                     "Customer: all customers", "Days: 2009-05-01 to 2009-05-31", "Entries: complete",
                                     "Billing", "Brown", "2009-05-31", "08:00:00", "10:00:00", "Comment",
                                     "needs review soon xxx", "1 interval, 2:00 h",
                                     "By project: Billing 2:00 h (1)", "Page 1 of 1"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(QString(expected) + " not in:\n" + text));

        // A folder that is not there: the reason is shown, nothing claims success.
        TdmReports::SaveChooser = [this](QWidget*, const QString&, const QString&, const QString&) {
            return QDir(m_output).filePath("gone/report.pdf");
        };
        find<QAction>(*module, "mnuSaveAsPdf")->trigger();
        QCOMPARE(errors().size(), 1);
        QVERIFY2(errors().first().startsWith("Unable to write to " + QDir(m_output).filePath("gone/report.pdf")),
                 qPrintable(errors().first()));
        QCOMPARE(MessageService::shownForTests().size(), 2);
        QVERIFY(find<QProgressBar>(*module, "ExportProgressBar")->isHidden());

        // Cancelling the file dialog writes nothing.
        TdmReports::SaveChooser = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
        find<QAction>(*module, "mnuSaveAsPdf")->trigger();
        QCOMPARE(exports(), QStringList{"May report.pdf"});
        QCOMPARE(MessageService::shownForTests().size(), 2);
    }

    void exportCsvFromTheMenus()
    {
        auto module = open();
        module->CsvExport()->setOutputFolder(m_output);
        find<QAction>(*module, "mnuExportToCsv")->trigger();
        QVERIFY(exports().isEmpty());
        m_db->exec("update PROJECTS set DESCRIPTION = 'Portal, \"phase 2\"' where ID = 2");
        // The comment, as a spreadsheet reads it back: quotes, a line break, a comma, other scripts.
        const QString comment = QStringLiteral("it's \"late\",\nsecond line: 検証 проверка ✓ ") + QString(10000, 'z');
        m_db->exec("update PROJECTWORK set COMMENTS = :C where TIME_SPEND = 4", {comment});
        choose(*module, "DBLookupComboBox1", "Brown Cid");
        search(*module);
        exportShowsTheBar(*module, "mnuPopUpExportToCsv");
        QCOMPARE(exports(), QStringList{"Hourwright 2026-12-08 14-03-22.csv"});
        const QList<QStringList> records = ExternalReaders::csvRecords(QDir(m_output).filePath(exports().first()));
        QCOMPARE(records.size(), 5);
        QCOMPARE(records.first(), QStringList({"Project", "Developer", "Start Date", "End Date", "Work Time",
                                               "Start Time", "End Time", "Comment"}));
        QVERIFY(records.contains(QStringList({"Portal, \"phase 2\"", "Brown", "2009-05-31", "2009-06-01", "4",
                                              "2009-05-31T22:00:00", "2009-06-01T02:00:00", comment})));
        QCOMPARE(m_opened.size(), 1);
    }

    void unknownKindIsRefused()
    {
        auto module = open(3);
        search(*module);
        QCOMPARE(errors().size(), 1);
        QVERIFY(!module->ResultsQuery()->isActive());
    }
};

QTEST_MAIN(TestReports)
#include "tst_Reports.moc"
