#pragma once

#include "framework/mc_CustomModule.h"

class MemTable;
class SqlQuery;
class TDataSetToExcel;
class TSearchCriteriaManager;

// The report window: the user picks a developer, a project, a customer, a
// date range and the completion state; Search composes the statement, shows
// the matching work intervals and Export writes them into a copy of the
// report workbook.
class TdmReports : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdSearch = 100, cmdPrint = 101, cmdExport = 102, cmdClose = 103 };

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
    // The workbook the options name, whether or not it exists.
    const QString& WorkbookPath() const { return m_workbookPath; }

    void Search();
    // Writes the results into a copy of the workbook; nothing before a
    // search or when it found no rows.
    void Export();

    // The parenthesised joins the local-file dialect was written for. Text
    // without "from", or without the joins this window composes, comes back
    // unchanged.
    static QString AccessFromClause(const QString& sql);
    // The builder's statement in the query's lines (the builder ends each
    // join with a carriage return).
    static QString statementLines(const QString& composed);
    static QString developersStatement(int kind);

protected:
    void CreateData() override;
    void WireEvents() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;

private:
    void configureQueryBuilder();

    SqlQuery* m_projects = nullptr;
    SqlQuery* m_developers = nullptr;
    SqlQuery* m_customers = nullptr;
    SqlQuery* m_results = nullptr;
    MemTable* m_criteria = nullptr;
    TSearchCriteriaManager* m_builder = nullptr;
    TDataSetToExcel* m_export = nullptr;
    QString m_workbookPath;
};
