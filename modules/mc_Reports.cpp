#include "modules/mc_Reports.h"

#include "components/o_DataSetToExcel.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_SearchCriteria.h"
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
#include "toolkit/SqlQuery.h"

#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>

namespace {

DbConnection& sharedConnection()
{
    if (!dmMain() || !dmMain()->AdoConn())
        throw AppError(QStringLiteral("No database connection is open"));
    return *dmMain()->AdoConn();
}

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
};

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
    DbConnection& connection = sharedConnection();
    m_projects = new SqlQuery(&connection, QStringLiteral("select ID,DESCRIPTION from PROJECTS order by DESCRIPTION"),
                              this);
    // The lookups open before DatabaseKind is handed over: the name is
    // joined in the dialect the connection speaks.
    m_developers = new SqlQuery(&connection, developersStatement(Dialect::kindOf(connection)), this);
    m_customers = new SqlQuery(&connection, QStringLiteral("select ID,NAME from CUSTOMER order by NAME"), this);
    m_results = new SqlQuery(&connection, QString(), this);
    m_results->setObjectName(QStringLiteral("ResultsQuery"));

    m_export = new TDataSetToExcel(this);
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
         {"PROJECT_ID", "DEVELOPER_ID", "DAY_START", "DAY_END", "TIME_START", "TIME_END", "COMPLETED", "TIME_SPEND"})
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
        break;
    case cmdExport:
        Export();
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
    QString composed;
    switch (DatabaseKind) {
    case Dialect::LocalFile:
        composed = AccessFromClause(m_builder->GetSQL());
        break;
    case Dialect::SqlServer:
        composed = m_builder->GetSQL();
        break;
    default:
        throw AppError(QStringLiteral("The database kind %1 is not known; reports need 0 or 1.").arg(DatabaseKind));
    }
    m_results->setSql(statementLines(composed));
    if (QPlainTextEdit* memo = Lookup(QStringLiteral("SQLMemo"))->AsMemo())
        memo->setPlainText(m_results->sql());
    m_results->open();
}

void TdmReports::Export()
{
    if (!m_results->isActive() || m_results->isEmpty())
        return;
    // Named again at every export: the workbook may have appeared or gone
    // since the window opened.
    m_export->setExcelFileName(m_workbookPath);
    QProgressBar* bar = Lookup(QStringLiteral("ExportProgressBar"))->AsProgressBar();
    if (bar)
        bar->setVisible(true);
    const auto hide = qScopeGuard([bar] {
        if (bar)
            bar->setVisible(false);
    });
    m_export->ExportGrid(Lookup(QStringLiteral("ResultsGrid"))->as<DbGrid>());
}

QString TdmReports::statementLines(const QString& composed)
{
    return composed.split(QLatin1Char('\r')).join(QLatin1Char('\n'));
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
