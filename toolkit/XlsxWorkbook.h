#pragma once

#include <QString>
#include <QVariantList>

#include <memory>

// Fills the first sheet of a copy of an existing .xlsx workbook with typed
// cells, as a spreadsheet program would: row i of the data goes to row i of
// the sheet, cell j to column j, and each row written replaces the sheet's
// cells from column A to its last cell (keeping their formats; an empty
// value empties the cell). Every other cell of the sheet (a title beside
// the data, a footer below it, formulas), the sheet's merged ranges, columns
// and settings, and every other part of the workbook reach the copy as they
// were. The template itself is only read (XlsxTemplate).
//
//     XlsxWriter w(templatePath, outputPath);
//     w.beginSheet();
//     w.addRow({"Name", "Day"}, XlsxWriter::RowStyle::Bold);
//     w.addRow({"Smith", QDate(2009, 5, 1)});
//     w.finish();
//
// Rows are streamed to a temporary file as they come, so memory does not grow
// with the row count. The output appears only when finish() succeeds; until
// then an existing file of that name is left as it was. Every failure throws
// AppError with a reason the user can act on.
//
// Cell types follow the QVariant type: numbers and booleans as such, QDate,
// QDateTime and QTime as serial numbers with the formats "yyyy-mm-dd",
// "yyyy-mm-dd hh:mm:ss" and "hh:mm:ss", everything else as text. A null
// value or an empty text leaves the cell out. Dates the serial system cannot
// hold (before March 1900, where spreadsheet programs disagree about a
// phantom 29 February, or after 9999) are written as ISO text.
class XlsxWriter
{
public:
    enum class RowStyle { Plain, Bold };

    // Limits of the file format.
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxTextLength = 32767;

    // Opens and checks the template; nothing is written yet.
    XlsxWriter(const QString& templatePath, const QString& outputPath);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // The name of the sheet being filled, as the workbook lists it.
    QString sheetName() const;

    // Starts the sheet. addRow() and finish() start it themselves when needed.
    void beginSheet();
    // Appends the next row; cell i goes to column i (0 is A).
    void addRow(const QVariantList& cells, RowStyle style = RowStyle::Plain);
    // Rows added so far.
    qint64 rowCount() const;
    // Writes the output file. The writer cannot be used afterwards.
    void finish();

    // Writes a new workbook with one empty sheet and a bold cell style
    // (style index 1), for use as a template.
    static void createEmptyWorkbook(const QString& path, const QString& sheetName = QStringLiteral("Sheet1"));

private:
    struct Private;
    std::unique_ptr<Private> d;
};
