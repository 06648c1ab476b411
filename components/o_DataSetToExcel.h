#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QString>

class DbGrid;

// Copies what a data-bound grid shows into a workbook: one title row, then
// one row per record of the grid's table, one sheet column per grid column.
//
// The workbook named by ExcelFileName is a template and is never modified:
// each export writes a filled copy into the user's documents folder, named
// after the workbook with the date and time, and opens that copy in the
// desktop's spreadsheet program. Failures throw AppError with the reason.
class TDataSetToExcel : public QObject
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

    QProgressBar* ProgressBar() const { return m_progressBar.data(); }
    void setProgressBar(QProgressBar* bar) { m_progressBar = bar; }

    // Where the copies go; empty (the default) means the documents folder,
    // or the temporary folder when there is no usable documents folder.
    QString OutputFolder() const { return m_outputFolder; }
    void setOutputFolder(const QString& folder) { m_outputFolder = folder; }
    // The folder the next copy will be written to.
    QString outputFolderInUse() const;

    // Writes the copy, reports "Exported Successfully" and opens the copy.
    // A grid without a table does nothing.
    void ExportGrid(DbGrid* grid);

    // The copy the last export wrote (empty before the first).
    QString LastExportFileName() const { return m_lastExport; }
    // Opens the last copy again; false when there is none or it could not be opened.
    bool ShowExcel();

    // "<workbook name> yyyy-MM-dd HH-mm-ss.xlsx" in the output folder, with a
    // number added when a file of that name is already there.
    QString copyFileName() const;

private:
    QString m_fileName;
    QString m_outputFolder;
    QString m_lastExport;
    QPointer<QProgressBar> m_progressBar;
};
