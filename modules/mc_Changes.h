#pragma once

#include "framework/mc_CustomModule.h"

class MemTable;
class TDataSetToCsv;

// The administrators' report of changes: every recorded insert, change and
// delete of an interval made in a period, who made it, from where and what
// it changed, oldest first; exported to CSV like Project Reports.
class TdmChanges : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdSearch = 100, cmdExportCsv = 101, cmdClose = 102 };

    using TCustomModule::TCustomModule;

    MemTable* Rows() const { return m_rows; }
    TDataSetToCsv* CsvExport() const { return m_csv; }

    // The changes made from the start of `from` to the end of `to`.
    void Search();
    void ExportCsv();

protected:
    void CreateData() override;
    void WireEvents() override;
    void HandleEvent0(QObject* sender) override;

private:
    MemTable* m_rows = nullptr;
    TDataSetToCsv* m_csv = nullptr;
};
