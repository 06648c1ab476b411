#include "modules/mc_Reports.h"

#include "components/o_DataSetToCsv.h"
#include "components/o_DataSetToExcel.h"
#include "components/o_HoursChart.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_SearchCriteria.h"
#include "components/o_WorkHistory.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbConnection.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>

namespace {


struct CommandWiring
{
    const char* name;
    int command;
};
const CommandWiring kWirings[] = {
    {"btnSearch", TdmReports::cmdSearch},
    {"btnClose", TdmReports::cmdClose},
    {"mnuClose", TdmReports::cmdClose},
    {"mnuPrint", TdmReports::cmdPrint},
    {"mnuPopUpPrint", TdmReports::cmdPrint},
    {"mnuExportToExcel", TdmReports::cmdExport},
    {"mnuPopUpExportToExcel", TdmReports::cmdExport},
    {"mnuExportToCsv", TdmReports::cmdExportCsv},
    {"mnuPopUpExportToCsv", TdmReports::cmdExportCsv},
    {"mnuSaveAsPdf", TdmReports::cmdSaveAsPdf},
    {"mnuPopUpSaveAsPdf", TdmReports::cmdSaveAsPdf},
};

const QString kCaption = QStringLiteral("Hourwright");

MemTable* totalsTable(QObject* owner, const char* name)
{
    auto* table = new MemTable(owner);
    table->setObjectName(QString::fromLatin1(name));
    table->addField(QStringLiteral("NAME"), FieldType::Text);
    table->addField(QStringLiteral("TIME"), FieldType::Text);
    table->addField(QStringLiteral("HOURS"), FieldType::Float);
    table->addField(QStringLiteral("INTERVALS"), FieldType::Integer);
    table->open();
    return table;
}

void fillTotals(MemTable& table, const QList<TReportGroup>& groups)
{
    table.close();
    table.open();
    table.disableControls();
    for (const TReportGroup& group : groups) {
        table.append();
        table.setValue(0, group.name);
        table.setValue(1, TReportTotals::hoursText(group.minutes));
        table.setValue(2, qRound64(double(group.minutes) / 60.0 * 100.0) / 100.0);
        table.setValue(3, group.intervals);
        table.post();
    }
    table.resetChangeTracking();
    table.first();
    table.enableControls();
}

QString groupLine(const TReportGroup& group)
{
    return QStringLiteral("%1 %2 h (%3)").arg(group.name, TReportTotals::hoursText(group.minutes)).arg(group.intervals);
}

QStringList groupLines(const QString& title, const QList<TReportGroup>& groups)
{
    QStringList parts;
    for (const TReportGroup& group : groups)
        parts << groupLine(group);
    return {title + QStringLiteral(": ") + parts.join(QStringLiteral(", "))};
}

// Inserts `text` right after the first `marker` in `tail`; false when the
// marker is not there.
bool insertAfter(QString& tail, const QString& marker, const QString& text)
{
    const qsizetype at = tail.indexOf(marker);
    if (at < 0)
        return false;
    tail.insert(at + marker.size(), text);
    return true;
}

} // namespace

TFileChooser TdmReports::SaveChooser = &FileChooser::askToSave;

QString TdmReports::developersStatement(int kind)
{
    return QStringLiteral("select ID,%1 as DEVELOPER_NAME from DEVELOPERS order BY LASTNAME,NAME")
        .arg(Dialect::fullName(kind, QString()));
}

void TdmReports::CreateData()
{
    TCustomModule::CreateData();
    if (dmMain())
        DatabaseKind = dmMain()->DatabaseKind();
    DbConnection& connection = mainConnection();
    m_projects = new SqlQuery(&connection, QStringLiteral("select ID,DESCRIPTION from PROJECTS order by DESCRIPTION"),
                              this);
    // The lookups open before DatabaseKind is handed over: the name is
    // joined in the dialect the connection speaks.
    m_developers = new SqlQuery(&connection, developersStatement(Dialect::kindOf(connection)), this);
    m_customers = new SqlQuery(&connection, QStringLiteral("select ID,NAME from CUSTOMER order by NAME"), this);
    m_results = new SqlQuery(&connection, QString(), this);
    m_results->setObjectName(QStringLiteral("ResultsQuery"));

    m_export = new TDataSetToExcel(this);
    m_csv = new TDataSetToCsv(this);
    m_byProject = totalsTable(this, "TotalsByProject");
    m_byDeveloper = totalsTable(this, "TotalsByDeveloper");
    m_workbookPath = AppPaths::resolve(
        GetOptionsManager()->ReadValue(Options::ExportSection, Options::ExcelPath, Options::DefaultExcelPath).toString(),
        ApplicationFolder());
    try {
        m_export->setExcelFileName(m_workbookPath);
    } catch (const AppError&) {
        // Searching needs no workbook; Export says that it is missing.
    }

    m_criteria = new MemTable(this);
    m_criteria->setObjectName(QStringLiteral("CriteriaRecord"));
    m_criteria->addField(QStringLiteral("DEVELOPER_ID"), FieldType::Integer);
    m_criteria->addField(QStringLiteral("CUSTOMER_ID"), FieldType::Integer);
    m_criteria->addField(QStringLiteral("PROJECT_ID"), FieldType::Integer);
    m_criteria->open();

    m_builder = new TSearchCriteriaManager(this);
    configureQueryBuilder();
}

void TdmReports::configureQueryBuilder()
{
    TSearchCriteriaManager& b = *m_builder;
    b.MainTableName = QStringLiteral("PROJECTWORK");
    // In the order the intervals were entered, the same on every kind.
    b.OrderBy = QStringLiteral("PROJECTWORK.ID");
    b.AddJoinTable(QStringLiteral("PROJECTS"), QStringLiteral("PR"), jtLeftJoin);
    b.AddJoinLink(QStringLiteral("PROJECT_ID"), QStringLiteral("PROJECTS"), QStringLiteral("PROJECTWORK"),
                  QStringLiteral("ID"), 0, false);
    b.AddJoinTable(QStringLiteral("DEVELOPERS"), QStringLiteral("DEV"), jtLeftJoin);
    b.AddJoinLink(QStringLiteral("DEVELOPER_ID"), QStringLiteral("DEVELOPERS"), QStringLiteral("PROJECTWORK"),
                  QStringLiteral("ID"), 0, false);
    b.AddJoinTable(QStringLiteral("CUSTOMER"), QStringLiteral("CUS"), jtLeftJoin);
    b.AddJoinLink(QStringLiteral("CUSTOMER_ID"), QStringLiteral("CUSTOMER"), QStringLiteral("PR"), QStringLiteral("ID"),
                  0, false);
    for (const char* field :
         {"PROJECT_ID", "DEVELOPER_ID", "DAY_START", "DAY_END", "TIME_START", "TIME_END", "COMPLETED", "TIME_SPEND",
          "COMMENTS"})
        b.AddSelectField(QString::fromLatin1(field));
    // The runs of blanks line the aliases up; they are part of the texts.
    b.AddJoinSelectField(QStringLiteral("NAME        as CUSTOMER_NAME"), QStringLiteral("CUS"));
    b.AddJoinSelectField(QStringLiteral("DESCRIPTION as PROJECT_NAME"), QStringLiteral("PR"));
    b.AddJoinSelectField(QStringLiteral("LASTNAME    as DEV_LASTNAME"), QStringLiteral("DEV"));
    b.AddJoinSelectField(QStringLiteral("NAME        as DEV_FIRSTNAME"), QStringLiteral("DEV"));
    b.AddCriteria(QStringLiteral("DEVELOPER_ID"), voEqual, boAnd);
    b.AddCriteria(QStringLiteral("PROJECT_ID"), voEqual, boAnd);
    b.AddCriteria(QStringLiteral("CUSTOMER_ID"), voEqual, boAnd);
    b.AddCriteria(QStringLiteral("COMPLETED"), voEqual, boAnd);
    b.AddCriteria(QStringLiteral("DAY_START"), voGreaterOrEqual, boAnd);
    b.AddCriteria(QStringLiteral("DAY_END"), voLessOrEqual, boAnd);
    b.AddCriteria(QStringLiteral("TIME_START"), voGreaterOrEqual, boAnd);
    b.AddCriteria(QStringLiteral("TIME_END"), voLessOrEqual, boAnd);
}

void TdmReports::WireEvents()
{
    TCustomModule::WireEvents();
    m_projects->open();
    Lookup(QStringLiteral("dsProjects"))->as<DataSource>()->setDataSet(m_projects);
    m_developers->open();
    Lookup(QStringLiteral("dsDevelopers"))->as<DataSource>()->setDataSet(m_developers);
    m_customers->open();
    Lookup(QStringLiteral("dsCustomers"))->as<DataSource>()->setDataSet(m_customers);
    Lookup(QStringLiteral("dsCriteria"))->as<DataSource>()->setDataSet(m_criteria);
    Lookup(QStringLiteral("dsResults"))->as<DataSource>()->setDataSet(m_results);

    const QDateTime now = Clock::now();
    for (const char* name : {"dtDateStart", "dtDateStop"}) {
        DateTimePicker* picker = Lookup(QString::fromLatin1(name))->as<DateTimePicker>();
        picker->setDateTime(now);
        picker->setChecked(false);
    }

    for (const CommandWiring& wiring : kWirings)
        AssignEventByName(QString::fromLatin1(wiring.name), wiring.command, 0, QStringLiteral("OnClick"));

    m_export->setProgressBar(Lookup(QStringLiteral("ExportProgressBar"))->AsProgressBar());
    m_csv->setProgressBar(m_export->ProgressBar());
    Lookup(QStringLiteral("dsByProject"))->as<DataSource>()->setDataSet(m_byProject);
    Lookup(QStringLiteral("dsByDeveloper"))->as<DataSource>()->setDataSet(m_byDeveloper);
    showTotals();

    DbGrid* grid = Lookup(QStringLiteral("ResultsGrid"))->as<DbGrid>();
    QMenu* popup = Lookup(QStringLiteral("GridPopMenu"))->AsPopupMenu();
    if (grid && popup)
        connect(grid, &QWidget::customContextMenuRequested, popup,
                [grid, popup](const QPoint& at) { popup->popup(grid->viewport()->mapToGlobal(at)); });
}

void TdmReports::DestroyData()
{
    for (SqlQuery* query : {m_projects, m_developers, m_customers, m_results})
        if (query)
            query->close();
    TCustomModule::DestroyData();
}

void TdmReports::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdSearch:
        Search();
        break;
    case cmdPrint:
        Print();
        break;
    case cmdExport:
        Export();
        break;
    case cmdExportCsv:
        ExportCsv();
        break;
    case cmdSaveAsPdf:
        SaveAsPdf();
        break;
    case cmdClose:
        Close();
        break;
    default:
        break;
    }
}

void TdmReports::Search()
{
    for (const char* field : {"DEVELOPER_ID", "PROJECT_ID", "CUSTOMER_ID"}) {
        const QString name = QString::fromLatin1(field);
        m_builder->SetCriteriaValue(name, m_criteria->isEmpty() ? QVariant() : m_criteria->value(name), false);
    }
    const QCheckBox* complete = Lookup(QStringLiteral("chkBoxProjectComplete"))->AsCheckBox();
    m_builder->SetCriteriaValue(QStringLiteral("COMPLETED"), complete && complete->isChecked() ? 1 : 0, false);
    const struct
    {
        const char* picker;
        const char* field;
    } days[] = {{"dtDateStart", "DAY_START"}, {"dtDateStop", "DAY_END"}};
    for (const auto& day : days) {
        const DateTimePicker* picker = Lookup(QString::fromLatin1(day.picker))->as<DateTimePicker>();
        const bool ticked = picker && picker->isChecked();
        m_builder->SetCriteriaValue(QString::fromLatin1(day.field),
                                    ticked ? QVariant(picker->date().toString(QStringLiteral("yyyy-MM-dd"))) : QVariant(),
                                    true);
    }

    m_results->close();
    // A failed search leaves no totals of an earlier one behind.
    m_totals = TReportTotals();
    m_criteriaText = describeCriteria();
    showTotals();
    if (!Dialect::isKnownKind(DatabaseKind))
        throw AppError(QStringLiteral("The database kind %1 is not known; reports need 0, 1 or 2.").arg(DatabaseKind));
    // The builder writes plain joins; the embedded file's statements nest them.
    QString composed =
        Dialect::nestedJoins(DatabaseKind) ? AccessFromClause(m_builder->GetSQL()) : m_builder->GetSQL();
    const QCheckBox* edited = Lookup(QStringLiteral("chkEditedOnly"))->AsCheckBox();
    if (edited && edited->isChecked()) {
        if (!TWorkHistory(mainConnection()).isRecorded())
            throw AppError(TWorkHistory::notRecordedText());
        composed = withCondition(composed, TWorkHistory::editedCondition(QStringLiteral("PROJECTWORK.ID")));
    }
    m_results->setSql(statementLines(composed));
    if (QPlainTextEdit* memo = Lookup(QStringLiteral("SQLMemo"))->AsMemo())
        memo->setPlainText(m_results->sql());
    m_results->open();
    m_totals = TReportTotals::of(*m_results);
    showTotals();
}

QStringList TdmReports::describeCriteria()
{
    auto chosen = [this](const char* combo, const char* field, const QString& any) {
        QComboBox* box = Lookup(QString::fromLatin1(combo))->AsComboBox();
        const bool set = !m_criteria->isEmpty() && !m_criteria->value(QString::fromLatin1(field)).isNull();
        return set && box && !box->currentText().isEmpty() ? box->currentText() : any;
    };
    auto day = [this](const char* name) {
        const DateTimePicker* picker = Lookup(QString::fromLatin1(name))->as<DateTimePicker>();
        return picker && picker->isChecked() ? picker->date().toString(QStringLiteral("yyyy-MM-dd")) : QString();
    };
    const QString from = day("dtDateStart");
    const QString to = day("dtDateStop");
    QString days = tr("any day");
    if (!from.isEmpty() && !to.isEmpty())
        days = tr("%1 to %2").arg(from, to);
    else if (!from.isEmpty())
        days = tr("from %1").arg(from);
    else if (!to.isEmpty())
        days = tr("until %1").arg(to);
    const QCheckBox* complete = Lookup(QStringLiteral("chkBoxProjectComplete"))->AsCheckBox();
    QStringList lines{tr("Developer: %1").arg(chosen("DBLookupComboBox1", "DEVELOPER_ID", tr("all developers"))),
                      tr("Project: %1").arg(chosen("DBLookupComboBox2", "PROJECT_ID", tr("all projects"))),
                      tr("Customer: %1").arg(chosen("DBLookupComboBox3", "CUSTOMER_ID", tr("all customers"))),
                      tr("Days: %1").arg(days),
                      complete && complete->isChecked() ? tr("Entries: complete") : tr("Entries: not complete")};
    const QCheckBox* edited = Lookup(QStringLiteral("chkEditedOnly"))->AsCheckBox();
    if (edited && edited->isChecked())
        lines << tr("Only intervals edited after they were stopped");
    return lines;
}

void TdmReports::showTotals()
{
    const bool searched = m_results->isActive();
    if (QLabel* label = Lookup(QStringLiteral("lblTotals"))->AsLabel())
        label->setText(searched ? m_totals.text() : QString());
    fillTotals(*m_byProject, m_totals.ByProject);
    fillTotals(*m_byDeveloper, m_totals.ByDeveloper);
    if (THoursChart* chart = Lookup(QStringLiteral("HoursChart"))->as<THoursChart>())
        chart->setTotals(m_totals);
    if (QGroupBox* box = Lookup(QStringLiteral("ChartBox"))->as<QGroupBox>())
        box->setTitle(m_totals.Weekly ? tr("Hours per Week") : tr("Hours per Day"));
}

bool TdmReports::hasRows() const
{
    return m_results->isActive() && !m_results->isEmpty();
}

void TdmReports::withProgressBar(const std::function<void(QProgressBar*)>& body)
{
    QProgressBar* bar = Lookup(QStringLiteral("ExportProgressBar"))->AsProgressBar();
    if (bar)
        bar->setVisible(true);
    const auto hide = qScopeGuard([bar] {
        if (bar) {
            bar->setValue(0);
            bar->setVisible(false);
        }
    });
    body(bar);
}

TReportPrinter TdmReports::ReportPrinter()
{
    TReportPrinter printer;
    printer.Title = tr("Project Reports");
    printer.Criteria = m_criteriaText;
    if (m_results->isActive()) {
        printer.Totals << m_totals.text();
        if (!m_totals.ByProject.isEmpty())
            printer.Totals << groupLines(tr("By project"), m_totals.ByProject);
        if (!m_totals.ByDeveloper.isEmpty())
            printer.Totals << groupLines(tr("By developer"), m_totals.ByDeveloper);
    }
    printer.setGrid(Lookup(QStringLiteral("ResultsGrid"))->as<DbGrid>());
    printer.setChart(Lookup(QStringLiteral("HoursChart"))->as<THoursChart>());
    return printer;
}

void TdmReports::Print()
{
    if (!hasRows())
        return;
    const TReportPrinter report = ReportPrinter();
    {
        // Counted on a PDF of the same page: the preview draws every page before it shows.
        QBuffer scratch;
        scratch.open(QIODevice::WriteOnly);
        QPdfWriter sizing(&scratch);
        TReportPrinter::setUpPage(sizing);
        const int pages = report.pageCount(sizing);
        if (pages > PagesWithoutAsking
            && MessageService::show(MessageService::Request::make(
                                        kCaption,
                                        tr("The result fills %1 pages. Show them all in the print preview?").arg(pages),
                                        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                                    ModuleForm())
                   != QMessageBox::Yes)
            return;
    }
    QPrinter printer(QPrinter::HighResolution);
    TReportPrinter::setUpPage(printer);
    printer.setDocName(report.Title);
    QPrintPreviewDialog preview(&printer, ModuleForm());
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(tr("Print Preview - Project Reports"));
    preview.resize(960, 720);
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&report](QPrinter* target) {
        // Qt calls this from its own event handling: nothing may escape.
        try {
            report.print(*target);
        } catch (const std::exception& error) {
            MessageService::error(kCaption, errorMessage(error));
        }
    });
    preview.exec();
}

void TdmReports::SaveAsPdf()
{
    if (!hasRows())
        return;
    const QString start = QDir(m_csv->outputFolderInUse())
                              .filePath(QStringLiteral("Hourwright report %1.pdf")
                                            .arg(Clock::now().toString(QStringLiteral("yyyy-MM-dd"))));
    QString fileName = SaveChooser ? SaveChooser(ModuleForm(), tr("Save as PDF"), tr("PDF files (*.pdf)"), start)
                                   : QString();
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".pdf");
    const TReportPrinter report = ReportPrinter();
    withProgressBar([&](QProgressBar* bar) {
        report.savePdf(fileName, [bar](int page, int pages) {
            if (bar) {
                bar->setMaximum(pages);
                bar->setValue(page);
            }
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    });
    MessageService::information(kCaption, QStringLiteral("Exported Successfully"), ModuleForm());
}

void TdmReports::ExportCsv()
{
    if (!hasRows())
        return;
    withProgressBar([this](QProgressBar*) { m_csv->ExportGrid(Lookup(QStringLiteral("ResultsGrid"))->as<DbGrid>()); });
}

void TdmReports::Export()
{
    if (!hasRows())
        return;
    // Named again at every export: the workbook may have appeared or gone
    // since the window opened.
    m_export->setExcelFileName(m_workbookPath);
    withProgressBar([this](QProgressBar*) { m_export->ExportGrid(Lookup(QStringLiteral("ResultsGrid"))->as<DbGrid>()); });
}

QString TdmReports::statementLines(const QString& composed)
{
    return composed.split(QLatin1Char('\r')).join(QLatin1Char('\n'));
}

QString TdmReports::withCondition(const QString& composed, const QString& condition)
{
    const QString order = QStringLiteral(" order by ");
    qsizetype at = composed.lastIndexOf(order);
    if (at < 0)
        at = composed.size();
    const QString joiner =
        composed.left(at).contains(QLatin1String(" where ")) ? QStringLiteral(" and ") : QStringLiteral(" where ");
    return composed.left(at) + joiner + QLatin1Char('(') + condition + QLatin1Char(')') + composed.mid(at);
}

QString TdmReports::AccessFromClause(const QString& sql)
{
    const QString from = QStringLiteral("from");
    const qsizetype p = sql.indexOf(from);
    if (p < 0)
        return sql;
    QString tail = sql.mid(p);
    // Each step searches the tail as the ones before it left it.
    const bool rewritten = insertAfter(tail, from, QStringLiteral(" ((( "))
                           && insertAfter(tail, QStringLiteral("PROJECTWORK"), QStringLiteral(" ) "))
                           && insertAfter(tail, QStringLiteral("PROJECTWORK.PROJECT_ID"), QStringLiteral(" )"))
                           && insertAfter(tail, QStringLiteral("PROJECTWORK.DEVELOPER_ID"), QStringLiteral(" ) "));
    if (!rewritten)
        return sql;
    return sql.left(p) + tail;
}
