#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// A workbook template as a filled copy needs it, read once and never
// changed: where its first sheet is, what that sheet holds around and in its
// cell data, and the cell styles the filled cells use. It writes the filled
// package: every part of the template as it was, except the first sheet
// (given as a finished file), the style sheet (which gains the date formats
// and bold variants), the workbook (marked for recalculation on load, as
// formulas may refer to the filled cells) and the calculation chain, which is
// left out (with its entries in the content types and relationships) because
// it may name formulas that were written over.
//
// Every failure throws AppError with a reason the user can act on.
class XlsxTemplate
{
public:
    // The style indices a filled cell uses, plain [0] and bold [1].
    struct StyleSet
    {
        int general[2] = {0, 0};
        int date[2] = {0, 0};
        int dateTime[2] = {0, 0};
        int time[2] = {0, 0};
    };
    // A cell of the first sheet, as it stands in the file (always with its
    // reference, so it may move into a row written anew).
    struct Cell
    {
        int column = 0; // 0 is A
        int style = 0;
        QString xml;
    };
    struct Row
    {
        qint64 number = 0; // 1-based
        // The row's attributes but its number and its span hint, as
        // (qualified name, value), e.g. ("ht", "30").
        std::vector<std::pair<QString, QString>> attributes;
        std::vector<Cell> cells; // by column
    };
    struct Extent
    {
        qint64 minRow = -1, maxRow = -1;
        int minColumn = -1, maxColumn = -1;
    };

    // Opens and checks the template.
    explicit XlsxTemplate(const QString& path);
    ~XlsxTemplate();
    XlsxTemplate(const XlsxTemplate&) = delete;
    XlsxTemplate& operator=(const XlsxTemplate&) = delete;

    QString sheetName() const;
    bool date1904() const;

    // The first sheet around its cell data. The head ends just before the
    // cell data; its dimension element is left out and goes at dimensionAt
    // (-1: the sheet has none).
    const QByteArray& sheetHead() const;
    const QByteArray& sheetTail() const;
    qsizetype dimensionAt() const;
    QString dimensionTag() const; // e.g. "x:dimension"
    QString prefix() const;       // of the sheet's main namespace, e.g. "x:"
    QString sheetDataTag() const; // e.g. "x:sheetData"

    // The rows of the first sheet's cell data, by number, and where its cells are.
    const std::vector<Row>& rows() const;
    Extent extent() const;

    // The styles of a cell written over a template cell of this style (0:
    // none): the template cell's fill, border and alignment are kept, the
    // number format and boldness are the written value's.
    const StyleSet& styles(int templateStyle) const;

    // Writes the package to outputPath with the file sheetFile as its first
    // sheet. libzip writes beside the output and renames at the end, so an
    // existing file is replaced only by a complete one.
    void writePackage(const QString& outputPath, const QString& sheetFile) const;

    // A new workbook with one empty sheet and a bold cell style (index 1).
    static void createEmpty(const QString& path, const QString& sheetName);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
