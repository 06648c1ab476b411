#include "modules/f_Reports.h"

#include "components/o_Duration.h"
#include "components/o_HoursChart.h"
#include "framework/o_FormBuilding.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QAction* action(QMenu* menu, const QString& text, const char* name)
{
    return named(menu->addAction(text), name);
}

DbLookupComboBox* lookup(QWidget* parent, const char* name, DataSource* criteria, const char* field,
                         DataSource* list, const char* shown)
{
    auto* box = named(new DbLookupComboBox(parent), name);
    box->setDataSource(criteria);
    box->setDataField(QString::fromLatin1(field));
    box->setListSource(list);
    box->setKeyField(QStringLiteral("ID"));
    box->setListField(QString::fromLatin1(shown));
    box->setMinimumWidth(220);
    return box;
}

QGroupBox* totalsBox(QWidget* parent, const QString& title, const char* gridName, const QString& nameTitle,
                     DataSource* source)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    auto* grid = named(new DbGrid(box), gridName);
    grid->addColumn(QStringLiteral("NAME"), nameTitle, 130);
    grid->addColumn(QStringLiteral("TIME"), QObject::tr("Time"), 55);
    grid->addColumn(QStringLiteral("HOURS"), QObject::tr("Hours"), 55);
    grid->addColumn(QStringLiteral("INTERVALS"), QObject::tr("Intervals"), 60);
    grid->setDataSource(source);
    grid->setReadOnly(true);
    layout->addWidget(grid);
    return box;
}

DateTimePicker* datePicker(QWidget* parent, const char* name)
{
    auto* picker = named(new DateTimePicker(DateTimePicker::Date, parent), name);
    picker->setShowCheckBox(true);
    return picker;
}
} // namespace

TFrmReports::TFrmReports(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmReports"));
    setWindowTitle(tr("Project Reports"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    resize(796, 540);

    auto* dsCriteria = named(new DataSource(this), "dsCriteria");
    auto* dsDevelopers = named(new DataSource(this), "dsDevelopers");
    auto* dsCustomers = named(new DataSource(this), "dsCustomers");
    auto* dsProjects = named(new DataSource(this), "dsProjects");
    auto* dsResults = named(new DataSource(this), "dsResults");

    auto* layout = new QVBoxLayout(this);

    auto* menus = named(new QMenuBar(this), "MainMenu1");
    QMenu* file = named(menus->addMenu(tr("&File")), "mnuFile");
    action(file, tr("Close"), "mnuClose");
    QMenu* actions = named(menus->addMenu(tr("&Actions")), "mnuActions");
    action(actions, tr("Print"), "mnuPrint")->setShortcut(QKeySequence::Print);
    action(actions, tr("Save as PDF..."), "mnuSaveAsPdf");
    actions->addSeparator();
    action(actions, tr("Export to Excel"), "mnuExportToExcel");
    action(actions, tr("Export to CSV"), "mnuExportToCsv");
    layout->setMenuBar(menus);

    auto* pages = named(new QTabWidget(this), "PageControl1");
    auto* page = named(new QWidget(pages), "TabSheet1");
    pages->addTab(page, tr("Project Reports"));
    layout->addWidget(pages, 1);
    auto* pageLayout = new QVBoxLayout(page);

    auto* criteria = named(new QGroupBox(tr("Search Criteria"), page), "GroupBox1");
    auto* grid = new QGridLayout(criteria);
    auto addLabelled = [&](int row, int column, const QString& text, QWidget* control) {
        auto* label = new QLabel(text, criteria);
        label->setBuddy(control);
        grid->addWidget(label, row, column);
        grid->addWidget(control, row, column + 1);
    };
    addLabelled(0, 0, tr("Developer :"),
                lookup(criteria, "DBLookupComboBox1", dsCriteria, "DEVELOPER_ID", dsDevelopers, "DEVELOPER_NAME"));
    addLabelled(1, 0, tr("Project :"),
                lookup(criteria, "DBLookupComboBox2", dsCriteria, "PROJECT_ID", dsProjects, "DESCRIPTION"));
    addLabelled(2, 0, tr("Customer :"),
                lookup(criteria, "DBLookupComboBox3", dsCriteria, "CUSTOMER_ID", dsCustomers, "NAME"));
    addLabelled(0, 2, tr("Date Start :"), datePicker(criteria, "dtDateStart"));
    addLabelled(1, 2, tr("Date Stop :"), datePicker(criteria, "dtDateStop"));
    auto* complete = named(new QCheckBox(tr("Project Entry Complete"), criteria), "chkBoxProjectComplete");
    complete->setChecked(true);
    grid->addWidget(complete, 2, 3);
    auto* search = named(new QPushButton(tr("Search"), criteria), "btnSearch");
    search->setAutoDefault(false);
    grid->addWidget(search, 2, 4);
    auto* progress = named(new QProgressBar(criteria), "ExportProgressBar");
    progress->setTextVisible(false);
    progress->setVisible(false);
    grid->addWidget(progress, 3, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    pageLayout->addWidget(criteria);

    auto* results = named(new DbGrid(page), "ResultsGrid");
    results->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 150);
    results->addColumn(QStringLiteral("DEV_LASTNAME"), tr("Developer"), 140);
    results->addColumn(QStringLiteral("DAY_START"), tr("Start Date"), 100);
    results->addColumn(QStringLiteral("DAY_END"), tr("End Date"), 100);
    results->addColumn(QStringLiteral("TIME_SPEND"), tr("Work Time"), 99);
    results->setFieldText(QStringLiteral("TIME_SPEND"), &Duration::ofStoredHours);
    results->addColumn(QStringLiteral("TIME_START"), tr("Start Time"), 80);
    results->addColumn(QStringLiteral("TIME_END"), tr("End Time"), 80);
    results->addColumn(QStringLiteral("COMMENTS"), tr("Comment"), 200);
    results->setDataSource(dsResults);
    results->setReadOnly(true);
    // The controller shows GridPopMenu on this request.
    results->setContextMenuPolicy(Qt::CustomContextMenu);

    // The same result, added up: by project, by developer and per day.
    auto* resultPages = named(new QTabWidget(page), "ResultPages");
    resultPages->addTab(results, tr("Intervals"));
    auto* totalsPage = named(new QWidget(resultPages), "TotalsPage");
    auto* totalsLayout = new QVBoxLayout(totalsPage);
    auto* groups = new QHBoxLayout();
    groups->addWidget(totalsBox(totalsPage, tr("By Project"), "TotalsByProjectGrid", tr("Project"),
                                named(new DataSource(this), "dsByProject")));
    groups->addWidget(totalsBox(totalsPage, tr("By Developer"), "TotalsByDeveloperGrid", tr("Developer"),
                                named(new DataSource(this), "dsByDeveloper")));
    totalsLayout->addLayout(groups, 3);
    auto* chartBox = named(new QGroupBox(tr("Hours per Day"), totalsPage), "ChartBox");
    auto* chartLayout = new QVBoxLayout(chartBox);
    chartLayout->addWidget(named(new THoursChart(chartBox), "HoursChart"));
    totalsLayout->addWidget(chartBox, 2);
    resultPages->addTab(totalsPage, tr("Totals"));
    pageLayout->addWidget(resultPages, 1);
    pageLayout->addWidget(named(new QLabel(page), "lblTotals"));

    auto* popup = named(new QMenu(this), "GridPopMenu");
    action(popup, tr("Print"), "mnuPopUpPrint");
    action(popup, tr("Save as PDF..."), "mnuPopUpSaveAsPdf");
    popup->addSeparator();
    action(popup, tr("Export to Excel"), "mnuPopUpExportToExcel");
    action(popup, tr("Export to CSV"), "mnuPopUpExportToCsv");

    auto* memo = named(new QPlainTextEdit(page), "SQLMemo");
    memo->setReadOnly(true);
    memo->setVisible(false);
    pageLayout->addWidget(memo);

    auto* bottom = new QHBoxLayout();
    auto* close = named(new QPushButton(tr("Close"), this), "btnClose");
    close->setAutoDefault(false);
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);
}
