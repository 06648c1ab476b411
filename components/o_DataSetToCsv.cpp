#include "components/o_DataSetToCsv.h"

#include "toolkit/AppError.h"
#include "toolkit/CsvWriter.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>

namespace {
QString failure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Unable to write to %1: %2").arg(QDir::toNativeSeparators(fileName), reason);
}
} // namespace

TDataSetToCsv::TDataSetToCsv(QObject* owner)
    : TGridExport(owner)
{
}

QString TDataSetToCsv::text(const QVariant& value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        // Fifteen digits drop the noise of binary fractions (1/60 h stays 0.0166666666666667).
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

void TDataSetToCsv::ExportGrid(DbGrid* grid)
{
    MemTable* table = grid && grid->dataSource() ? grid->dataSource()->dataSet() : nullptr;
    if (!table)
        return;
    startProgress(*table);
    const QString output = uniqueFileName(m_stem, QStringLiteral(".csv"));
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(failure(output, file.errorString()));

    QStringList titles;
    QList<int> fields;
    // A file has no template to line up with: hidden columns are left out.
    for (const DbGrid::Column& column : columnsOf(*grid, *table)) {
        if (!column.visible)
            continue;
        titles << column.title;
        fields << (column.field.isEmpty() ? -1 : table->fieldIndex(column.field));
    }
    {
        CsvWriter writer(&file);
        writer.writeRecord(titles);
        QStringList cells;
        walkRows(*grid, *table, [&] {
            cells.clear();
            for (int field : std::as_const(fields))
                cells << (field >= 0 ? text(table->value(field)) : QString());
            writer.writeRecord(cells);
        });
        writer.flush();
    }
    if (!file.commit())
        throw AppError(failure(output, file.errorString()));
    reportWritten(output, QStringLiteral("file"));
}
