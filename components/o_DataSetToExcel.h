#pragma once

#include "components/o_GridExport.h"

#include <QString>

class DbGrid;

// Copies what a data-bound grid shows into a workbook: one title row, then
// one row per record of the grid's table, one sheet column per grid column.
//
// The workbook named by ExcelFileName is a template and is never modified:
// each export writes a filled copy into the user's documents folder, named
// after the workbook with the date and time, and opens that copy in the
// desktop's spreadsheet program. Failures throw AppError with the reason.
class TDataSetToExcel : public TGridExport
{
    Q_OBJECT
    Q_PROPERTY(QString ExcelFileName READ ExcelFileName WRITE setExcelFileName)
public:
    explicit TDataSetToExcel(QObject* owner = nullptr);
    ~TDataSetToExcel() override;

    QString ExcelFileName() const { return m_fileName; }
    // Accepts only an existing file; otherwise throws "The excel file ... does
    // not exist!" and keeps the name it had.
    void setExcelFileName(const QString& fileName);

    // Writes the copy, reports "Exported Successfully" and opens the copy.
    // A grid without a table does nothing.
    void ExportGrid(DbGrid* grid);

    // Opens the last copy again; false when there is none or it could not be opened.
    bool ShowExcel();

    // "<workbook name> yyyy-MM-dd HH-mm-ss.xlsx" in the output folder, with a
    // number added when a file of that name is already there.
    QString copyFileName() const;

private:
    QString m_fileName;
};
