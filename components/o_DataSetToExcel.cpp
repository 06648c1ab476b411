#include "components/o_DataSetToExcel.h"

#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/XlsxWorkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStandardPaths>

namespace {

const QString kCaption = QStringLiteral("Hourwright");

// Often enough for the bar to move and the window to repaint, rarely enough
// not to cost more than the rows themselves.
constexpr int kRowsBetweenEvents = 1000;

QString missingText(const QString& fileName)
{
    return QStringLiteral("The excel file %1 does not exist!").arg(QDir::toNativeSeparators(fileName));
}

bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isWritable();
}

} // namespace

TDataSetToExcel::TDataSetToExcel(QObject* owner)
    : QObject(owner)
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

QString TDataSetToExcel::outputFolderInUse() const
{
    if (!m_outputFolder.isEmpty())
        return m_outputFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return usableFolder(documents) ? documents : QDir::tempPath();
}

QString TDataSetToExcel::copyFileName() const
{
    const QDir folder(outputFolderInUse());
    const QString stem = QFileInfo(m_fileName).completeBaseName() + QLatin1Char(' ')
                         + Clock::now().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QString name = folder.filePath(stem + QStringLiteral(".xlsx"));
    // Two exports within one second must not overwrite each other.
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = folder.filePath(QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n));
    return name;
}

void TDataSetToExcel::ExportGrid(DbGrid* grid)
{
    MemTable* table = grid && grid->dataSource() ? grid->dataSource()->dataSet() : nullptr;
    if (!table)
        return;
    QProgressBar* bar = m_progressBar.data();
    if (bar) {
        bar->setMaximum(table->recordCount());
        bar->setValue(0);
    }
    const auto resetBar = qScopeGuard([this] {
        if (m_progressBar)
            m_progressBar->setValue(0);
    });
    if (m_fileName.isEmpty())
        throw AppError(QStringLiteral("No workbook has been chosen for the export."));
    // The workbook may have gone since the name was set.
    if (!QFileInfo(m_fileName).isFile())
        throw AppError(missingText(m_fileName));

    const QString output = copyFileName();
    XlsxWriter writer(m_fileName, output);

    QList<DbGrid::Column> columns = grid->gridColumns();
    // A grid given no columns shows every field under its name.
    if (columns.isEmpty())
        for (const QString& field : table->fieldNames())
            columns.append(DbGrid::Column{field, field, -1, true});
    QVariantList titles;
    QList<int> fields;
    for (const DbGrid::Column& column : columns) {
        titles << (column.visible ? QVariant(column.title) : QVariant());
        fields << (column.visible && !column.field.isEmpty() ? table->fieldIndex(column.field) : -1);
    }

    {
        // The grid and the table's other controls stay put while the cursor
        // walks; however the walk ends, they get back the row they showed.
        const bool wasEnabled = grid->isEnabled();
        const int position = table->recNo();
        grid->setEnabled(false);
        table->disableControls();
        const auto restore = qScopeGuard([&] {
            if (position >= 0)
                table->setRecNo(position);
            table->enableControls();
            grid->setEnabled(wasEnabled);
        });

        writer.addRow(titles, XlsxWriter::RowStyle::Bold);
        QVariantList cells;
        int rows = 0;
        for (table->first(); !table->eof(); table->next()) {
            cells.clear();
            for (int field : std::as_const(fields))
                cells << (field >= 0 ? table->value(field) : QVariant());
            writer.addRow(cells);
            if (bar)
                bar->setValue(bar->value() + 1);
            // Repaints only: a click now could close the table being read.
            if (++rows % kRowsBetweenEvents == 0)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    // The copy appears under its name only once it is complete.
    writer.finish();
    m_lastExport = output;
    if (m_progressBar)
        m_progressBar->setValue(0);

    MessageService::information(kCaption, QStringLiteral("Exported Successfully"));
    if (!ShowExcel())
        MessageService::warning(kCaption, QStringLiteral("The workbook was written to %1, but no program could open it.")
                                              .arg(QDir::toNativeSeparators(output)));
}

bool TDataSetToExcel::ShowExcel()
{
    if (m_lastExport.isEmpty())
        return false;
    return UrlOpener::open(QUrl::fromLocalFile(m_lastExport));
}
