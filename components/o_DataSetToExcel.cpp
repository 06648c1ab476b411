#include "components/o_DataSetToExcel.h"

#include "toolkit/AppError.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/XlsxWorkbook.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString missingText(const QString& fileName)
{
    return QStringLiteral("The excel file %1 does not exist!").arg(QDir::toNativeSeparators(fileName));
}

} // namespace

TDataSetToExcel::TDataSetToExcel(QObject* owner)
    : TGridExport(owner)
{
}

TDataSetToExcel::~TDataSetToExcel() = default;

void TDataSetToExcel::setExcelFileName(const QString& fileName)
{
    // A folder is no workbook (an empty ExcelPath names the program's folder).
    if (!QFileInfo(fileName).isFile())
        throw AppError(missingText(fileName));
    m_fileName = fileName;
}

QString TDataSetToExcel::copyFileName() const
{
    return uniqueFileName(QFileInfo(m_fileName).completeBaseName(), QStringLiteral(".xlsx"));
}

void TDataSetToExcel::ExportGrid(DbGrid* grid)
{
    MemTable* table = grid && grid->dataSource() ? grid->dataSource()->dataSet() : nullptr;
    if (!table)
        return;
    startProgress(*table);
    if (m_fileName.isEmpty())
        throw AppError(QStringLiteral("No workbook has been chosen for the export."));
    // The workbook may have gone since the name was set.
    if (!QFileInfo(m_fileName).isFile())
        throw AppError(missingText(m_fileName));

    const QString output = copyFileName();
    XlsxWriter writer(m_fileName, output);

    QVariantList titles;
    QList<int> fields;
    // A hidden column keeps its letter, empty, so the template's columns still line up.
    for (const DbGrid::Column& column : columnsOf(*grid, *table)) {
        titles << (column.visible ? QVariant(column.title) : QVariant());
        fields << (column.visible && !column.field.isEmpty() ? table->fieldIndex(column.field) : -1);
    }
    writer.addRow(titles, XlsxWriter::RowStyle::Bold);
    QVariantList cells;
    walkRows(*grid, *table, [&] {
        cells.clear();
        for (int field : std::as_const(fields))
            cells << (field >= 0 ? table->value(field) : QVariant());
        writer.addRow(cells);
    });
    // The copy appears under its name only once it is complete.
    writer.finish();
    reportWritten(output, QStringLiteral("workbook"));
}

bool TDataSetToExcel::ShowExcel()
{
    if (LastExportFileName().isEmpty())
        return false;
    return UrlOpener::open(QUrl::fromLocalFile(LastExportFileName()));
}
