#pragma once

#include "components/o_ReportPrinter.h"
#include "components/o_ReportTotals.h"
#include "framework/mc_CustomModule.h"
#include "framework/o_FileChooser.h"

#include <functional>

class MemTable;
class TDataSetToCsv;
class SqlQuery;
class TDataSetToExcel;
class TSearchCriteriaManager;

// The report window: the user picks a developer, a project, a customer, a
// date range, the completion state and whether only intervals edited after
// their stop are wanted; Search composes the statement, shows
// the matching work intervals and Export writes them into a copy of the
// report workbook.
class TdmReports : public TCustomModule
{
    Q_OBJECT
public:
    enum Command {
        cmdSearch = 100,
        cmdPrint = 101,
        cmdExport = 102,
        cmdClose = 103,
        cmdExportCsv = 104,
        cmdSaveAsPdf = 105,
    };

    // Asks where to save a file; tests replace it.
    static TFileChooser SaveChooser;
    // A print run longer than this many pages is asked about first.
    static constexpr int PagesWithoutAsking = 100;

    using TCustomModule::TCustomModule;

    // 0 the local file, 1 SQL Server; chooses the form of the statement.
    int DatabaseKind = 0;

    SqlQuery* ProjectsQuery() const { return m_projects; }
    SqlQuery* DevelopersQuery() const { return m_developers; }
    SqlQuery* CustomersQuery() const { return m_customers; }
    SqlQuery* ResultsQuery() const { return m_results; }
    MemTable* CriteriaRecord() const { return m_criteria; }
    TSearchCriteriaManager* QueryBuilder() const { return m_builder; }
    TDataSetToExcel* ExcelExport() const { return m_export; }
    TDataSetToCsv* CsvExport() const { return m_csv; }
    MemTable* TotalsByProject() const { return m_byProject; }
    MemTable* TotalsByDeveloper() const { return m_byDeveloper; }
    // What the last search found, added up; empty before a search.
    const TReportTotals& Totals() const { return m_totals; }
    // The criteria of the last search, one line each, as the printout heads them.
    const QStringList& CriteriaText() const { return m_criteriaText; }
    // The workbook the options name, whether or not it exists.
    const QString& WorkbookPath() const { return m_workbookPath; }

    void Search();
    // Writes the results into a copy of the workbook; nothing before a
    // search or when it found no rows.
    void Export();
    void ExportCsv();
    // A print preview of the result, printable from there; nothing before a
    // search or when it found no rows.
    void Print();
    // The printout as a PDF file, wherever the user chooses.
    void SaveAsPdf();
    // The printout of the current result.
    TReportPrinter ReportPrinter();

    // The parenthesised joins the local-file dialect was written for. Text
    // without "from", or without the joins this window composes, comes back
    // unchanged.
    static QString AccessFromClause(const QString& sql);
    // The builder's statement in the query's lines (the builder ends each
    // join with a carriage return).
    static QString statementLines(const QString& composed);
    // The statement with one more condition, before its order.
    static QString withCondition(const QString& composed, const QString& condition);
    static QString developersStatement(int kind);

protected:
    void CreateData() override;
    void WireEvents() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;

private:
    void configureQueryBuilder();
    bool hasRows() const;
    QStringList describeCriteria();
    void showTotals();
    // Shows the export bar while body runs.
    void withProgressBar(const std::function<void(class QProgressBar*)>& body);

    SqlQuery* m_projects = nullptr;
    SqlQuery* m_developers = nullptr;
    SqlQuery* m_customers = nullptr;
    SqlQuery* m_results = nullptr;
    MemTable* m_criteria = nullptr;
    TSearchCriteriaManager* m_builder = nullptr;
    TDataSetToExcel* m_export = nullptr;
    TDataSetToCsv* m_csv = nullptr;
    MemTable* m_byProject = nullptr;
    MemTable* m_byDeveloper = nullptr;
    TReportTotals m_totals;
    QStringList m_criteriaText;
    QString m_workbookPath;
};
