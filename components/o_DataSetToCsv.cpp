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

constexpr qint64 kMsecsPerDay = 24 * 60 * 60 * 1000;

// Digits written straight into the text: QDate/QDateTime formatting costs
// more than the rest of a record together.
QChar* putDigits(QChar* out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

QString dayText(qint64 julianDay)
{
    int year = 0, month = 0, day = 0;
    QDate::fromJulianDay(julianDay).getDate(&year, &month, &day);
    if (year < 1 || year > 9999)
        return QDate::fromJulianDay(julianDay).toString(Qt::ISODate);
    QString text(10, Qt::Uninitialized);
    QChar* out = putDigits(text.data(), year, 4);
    *out++ = u'-';
    out = putDigits(out, month, 2);
    *out++ = u'-';
    putDigits(out, day, 2);
    return text;
}

// Date-times are held as wall-clock milliseconds: Julian day and time of day.
QString momentText(qint64 msecs)
{
    qint64 day = msecs / kMsecsPerDay;
    qint64 rest = msecs % kMsecsPerDay;
    if (rest < 0) {
        rest += kMsecsPerDay;
        --day;
    }
    const int seconds = int(rest / 1000);
    QString text = dayText(day);
    const qsizetype at = text.size();
    text.resize(at + 9);
    QChar* out = text.data() + at;
    *out++ = u'T';
    out = putDigits(out, seconds / 3600, 2);
    *out++ = u':';
    out = putDigits(out, seconds / 60 % 60, 2);
    *out++ = u':';
    putDigits(out, seconds % 60, 2);
    return text;
}

// One cell of the current row, read without a QVariant where the type allows.
QString cellText(const MemTable& table, int position, int field)
{
    if (field < 0)
        return QString();
    qint64 whole = 0;
    switch (table.fieldDef(field).type) {
    case FieldType::Date:
        return table.intAt(position, field, &whole) ? dayText(whole) : QString();
    case FieldType::DateTime:
        return table.intAt(position, field, &whole) ? momentText(whole) : QString();
    case FieldType::Integer:
    case FieldType::AutoInc:
        return table.intAt(position, field, &whole) ? QString::number(whole) : QString();
    default:
        return TDataSetToCsv::text(table.valueAt(position, field));
    }
}

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
            const int position = table->recNo();
            for (int field : std::as_const(fields))
                cells << cellText(*table, position, field);
            writer.writeRecord(cells);
        });
        writer.flush();
    }
    if (!file.commit())
        throw AppError(failure(output, file.errorString()));
    reportWritten(output, QStringLiteral("file"));
}
