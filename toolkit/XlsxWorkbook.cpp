#include "toolkit/XlsxWorkbook.h"

#include "toolkit/AppError.h"
#include "toolkit/XlsxTemplate.h"
#include "toolkit/XlsxXmlPart.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// A dimension reference never needs more than this ("A1:XFD1048576").
constexpr int kDimensionWidth = 13;

// Texts the XML cannot carry (control characters) are written in the
// spreadsheet's own _xHHHH_ escape; a literal "_xHHHH_" in the data gets its
// underscore escaped so that it reads back unchanged.
bool looksLikeEscape(const QString& s, qsizetype i)
{
    if (i + 6 >= s.size() || s[i + 1] != QLatin1Char('x') || s[i + 6] != QLatin1Char('_'))
        return false;
    for (int k = 2; k < 6; ++k) {
        const char16_t u = s[i + k].unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

QString cellText(const QString& value)
{
    QString text = value;
    if (text.size() > XlsxWriter::MaxTextLength) {
        qsizetype cut = XlsxWriter::MaxTextLength;
        if (text[cut - 1].isHighSurrogate())
            --cut;
        text.truncate(cut);
    }
    bool clean = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0a && u != 0x0d) || u == 0xfffe || u == 0xffff || c.isSurrogate() ||
            u == '_') {
            clean = false;
            break;
        }
    }
    if (clean)
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            out += QChar(QChar::ReplacementCharacter);
        } else if ((u < 0x20 && u != 0x09 && u != 0x0a && u != 0x0d) || u == 0xfffe || u == 0xffff) {
            out += QLatin1String("_x") + QString::number(uint(u), 16).rightJustified(4, QLatin1Char('0')).toUpper() +
                   QLatin1Char('_');
        } else if (u == '_' && looksLikeEscape(text, i)) {
            out += QLatin1String("_x005F_");
        } else {
            out += c;
        }
    }
    return out;
}

// Qt's ISO form is empty outside the years 0 to 9999.
QString isoDate(QDate date)
{
    const int year = date.year();
    return (year < 0 ? QStringLiteral("-") : QString()) + QString::number(std::abs(year)).rightJustified(4, QLatin1Char('0')) +
           date.toString(QStringLiteral("-MM-dd"));
}

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

// ---------------------------------------------------------------------------

struct XlsxWriter::Private
{
    enum class State { Opened, Writing, Finished, Failed };

    QString outputPath;
    State state = State::Opened;
    std::unique_ptr<XlsxTemplate> tpl;
    size_t nextTemplateRow = 0; // the first of the template's rows not yet written

    QTemporaryFile sheetFile;
    // The writer fills a text buffer that goes to the file in large pieces:
    // writing each token to the file directly costs more than the XML.
    QString buffer;
    QXmlStreamWriter xml{&buffer};
    qint64 rows = 0;
    qint64 dimensionFileOffset = -1;
    int minColumn = -1, maxColumn = -1;
    qint64 minRow = -1, maxRow = -1;

    QString qRow, qC, qV, qIs, qT;
    // A row whose element is not open yet: its number and the template row
    // whose attributes it takes (null: none).
    QString pendingRow;
    const XlsxTemplate::Row* pendingTemplateRow = nullptr;
    std::vector<QString> columnNames;

    void flushBuffer();
    void checkWrite();
    const QString& column(int index);
    void openPendingRow();
    void startCell(const QString& ref, int style, const QString& type);
    bool writeCell(int column, const QString& ref, const QVariant& value, const XlsxTemplate::StyleSet& styles,
                   bool bold);
    void writeNumber(const QString& ref, const QString& text, int style);
    void writeText(const QString& ref, const QString& text, int style);
    void writeKeptCell(const XlsxTemplate::Cell& cell);
    void writeTemplateRowsBefore(qint64 number);
    QString dimensionRef() const;
};

const QString& XlsxWriter::Private::column(int index)
{
    while (int(columnNames.size()) <= index)
        columnNames.push_back(XlsxXml::columnName(int(columnNames.size())));
    return columnNames[size_t(index)];
}

// A row's element is opened with its first cell, so that a row of nothing
// but nulls leaves no trace (unless the template has the row).
void XlsxWriter::Private::openPendingRow()
{
    if (pendingRow.isEmpty())
        return;
    xml.writeStartElement(qRow);
    xml.writeAttribute(QStringLiteral("r"), pendingRow);
    if (pendingTemplateRow)
        for (const auto& [name, value] : pendingTemplateRow->attributes)
            xml.writeAttribute(name, value);
    pendingRow.clear();
    pendingTemplateRow = nullptr;
}

void XlsxWriter::Private::startCell(const QString& ref, int style, const QString& type)
{
    openPendingRow();
    xml.writeStartElement(qC);
    xml.writeAttribute(QStringLiteral("r"), ref);
    if (style)
        xml.writeAttribute(QStringLiteral("s"), QString::number(style));
    if (!type.isEmpty())
        xml.writeAttribute(QStringLiteral("t"), type);
}

// A template cell outside the written area goes into the row as it stood.
void XlsxWriter::Private::writeKeptCell(const XlsxTemplate::Cell& cell)
{
    openPendingRow();
    xml.writeCharacters(QString()); // ends an open start tag, so the cell goes after it
    buffer += cell.xml;
}

// The template's rows above `number` that no written row has covered.
void XlsxWriter::Private::writeTemplateRowsBefore(qint64 number)
{
    const std::vector<XlsxTemplate::Row>& templateRows = tpl->rows();
    while (nextTemplateRow < templateRows.size() && templateRows[nextTemplateRow].number < number) {
        const XlsxTemplate::Row& row = templateRows[nextTemplateRow++];
        pendingRow = QString::number(row.number);
        pendingTemplateRow = &row;
        openPendingRow();
        for (const XlsxTemplate::Cell& cell : row.cells)
            writeKeptCell(cell);
        xml.writeEndElement();
    }
}

void XlsxWriter::Private::writeNumber(const QString& ref, const QString& text, int style)
{
    startCell(ref, style, QString());
    xml.writeTextElement(qV, text);
    xml.writeEndElement();
}

void XlsxWriter::Private::writeText(const QString& ref, const QString& text, int style)
{
    const QString escaped = cellText(text);
    startCell(ref, style, QStringLiteral("inlineStr"));
    xml.writeStartElement(qIs);
    xml.writeStartElement(qT);
    if (escaped.front().isSpace() || escaped.back().isSpace())
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    xml.writeCharacters(escaped);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

bool XlsxWriter::Private::writeCell(int col, const QString& ref, const QVariant& value, const XlsxTemplate::StyleSet& styles,
                                   bool bold)
{
    const int b = bold ? 1 : 0;
    const QDate epoch = tpl->date1904() ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const QDate firstDate = tpl->date1904() ? QDate(1904, 1, 1) : QDate(1900, 3, 1);
    const QDate lastDate(9999, 12, 31);
    auto serialDate = [&](QDate date) { return date >= firstDate && date <= lastDate; };

    switch (value.metaType().id()) {
    case QMetaType::Bool:
        startCell(ref, styles.general[b], QStringLiteral("b"));
        xml.writeTextElement(qV, value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        xml.writeEndElement();
        break;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        writeNumber(ref, QString::number(value.toLongLong()), styles.general[b]);
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        writeNumber(ref, QString::number(value.toULongLong()), styles.general[b]);
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        // The format has no NaN or infinity; a <v> holding one breaks the file.
        if (std::isfinite(number))
            writeNumber(ref, numberText(number), styles.general[b]);
        else
            writeText(ref, numberText(number), styles.general[b]);
        break;
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid())
            return false;
        if (serialDate(date))
            writeNumber(ref, QString::number(epoch.daysTo(date)), styles.date[b]);
        else
            writeText(ref, isoDate(date), styles.general[b]);
        break;
    }
    case QMetaType::QDateTime: {
        // Written as the wall-clock time the value holds, in its own zone.
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return false;
        if (serialDate(dt.date()))
            writeNumber(ref, numberText(double(epoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0),
                        styles.dateTime[b]);
        else
            writeText(ref, isoDate(dt.date()) + dt.time().toString(QStringLiteral(" HH:mm:ss")), styles.general[b]);
        break;
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        if (!time.isValid())
            return false;
        writeNumber(ref, numberText(time.msecsSinceStartOfDay() / 86400000.0), styles.time[b]);
        break;
    }
    default: {
        const QString text = value.toString();
        if (text.isEmpty())
            return false;
        writeText(ref, text, styles.general[b]);
        break;
    }
    }
    if (minColumn < 0 || col < minColumn)
        minColumn = col;
    maxColumn = std::max(maxColumn, col);
    if (minRow < 0)
        minRow = rows;
    maxRow = rows;
    return true;
}

void XlsxWriter::Private::flushBuffer()
{
    const QByteArray utf8 = buffer.toUtf8();
    if (sheetFile.write(utf8) != utf8.size())
        checkWrite();
    buffer.truncate(0);
}

void XlsxWriter::Private::checkWrite()
{
    if (sheetFile.error() != QFileDevice::NoError) {
        state = State::Failed;
        throw AppError(QStringLiteral("The workbook %1 could not be written: the temporary file %2 failed (%3).")
                           .arg(QDir::toNativeSeparators(outputPath), QDir::toNativeSeparators(sheetFile.fileName()),
                                sheetFile.errorString()));
    }
}

// The written cells and the template's cells together.
QString XlsxWriter::Private::dimensionRef() const
{
    const XlsxTemplate::Extent kept = tpl->extent();
    int fromColumn = minColumn, toColumn = maxColumn;
    qint64 fromRow = minRow, toRow = maxRow;
    if (kept.minColumn >= 0) {
        fromColumn = fromColumn < 0 ? kept.minColumn : std::min(fromColumn, kept.minColumn);
        toColumn = std::max(toColumn, kept.maxColumn);
        fromRow = fromRow < 0 ? kept.minRow : std::min(fromRow, kept.minRow);
        toRow = std::max(toRow, kept.maxRow);
    }
    if (fromColumn < 0)
        return QStringLiteral("A1");
    const QString from = XlsxXml::columnName(fromColumn) + QString::number(fromRow);
    const QString to = XlsxXml::columnName(toColumn) + QString::number(toRow);
    return from == to ? from : from + QLatin1Char(':') + to;
}

// ---------------------------------------------------------------------------

XlsxWriter::XlsxWriter(const QString& templatePath, const QString& outputPath)
    : d(std::make_unique<Private>())
{
    d->outputPath = outputPath;
    d->tpl = std::make_unique<XlsxTemplate>(templatePath);
    const QString prefix = d->tpl->prefix();
    d->qRow = prefix + QStringLiteral("row");
    d->qC = prefix + QStringLiteral("c");
    d->qV = prefix + QStringLiteral("v");
    d->qIs = prefix + QStringLiteral("is");
    d->qT = prefix + QStringLiteral("t");

    const QFileInfo out(outputPath);
    const QString shown = QDir::toNativeSeparators(outputPath);
    if (out.exists() && QFileInfo(templatePath).canonicalFilePath() == out.canonicalFilePath())
        throw AppError(QStringLiteral("The workbook template %1 cannot be filled in place; choose another output file.")
                           .arg(shown));
    if (out.isDir())
        throw AppError(QStringLiteral("The workbook %1 cannot be written: a folder of that name exists.").arg(shown));
    const QFileInfo folder(out.absolutePath());
    if (!folder.isDir())
        throw AppError(QStringLiteral("The workbook %1 cannot be written: the folder %2 does not exist.")
                           .arg(shown, QDir::toNativeSeparators(folder.filePath())));
    if (!folder.isWritable())
        throw AppError(QStringLiteral("The workbook %1 cannot be written: the folder %2 is read-only.")
                           .arg(shown, QDir::toNativeSeparators(folder.filePath())));
}

XlsxWriter::~XlsxWriter() = default;

QString XlsxWriter::sheetName() const
{
    return d->tpl->sheetName();
}

qint64 XlsxWriter::rowCount() const
{
    return d->rows;
}

void XlsxWriter::beginSheet()
{
    if (d->state == Private::State::Writing)
        return;
    if (d->state != Private::State::Opened)
        throw AppError(QStringLiteral("The workbook %1 has already been written.").arg(QDir::toNativeSeparators(d->outputPath)));
    d->sheetFile.setFileTemplate(QDir::tempPath() + QStringLiteral("/xlsx-sheet-XXXXXX.xml"));
    if (!d->sheetFile.open())
        throw AppError(QStringLiteral("The workbook %1 cannot be written: no temporary file (%2).")
                           .arg(QDir::toNativeSeparators(d->outputPath), d->sheetFile.errorString()));
    d->state = Private::State::Writing;

    const QByteArray& head = d->tpl->sheetHead();
    const qsizetype dimensionAt = d->tpl->dimensionAt();
    if (dimensionAt >= 0) {
        const QByteArray open = QStringLiteral("<%1 ref=\"").arg(d->tpl->dimensionTag()).toUtf8();
        d->sheetFile.write(head.constData(), dimensionAt);
        d->sheetFile.write(open);
        d->dimensionFileOffset = d->sheetFile.pos();
        d->sheetFile.write("A1\"" + QByteArray(kDimensionWidth - 2, ' ') + "/>");
        d->sheetFile.write(head.constData() + dimensionAt, head.size() - dimensionAt);
    } else {
        d->sheetFile.write(head);
    }
    d->xml.writeStartElement(d->tpl->sheetDataTag());
    d->checkWrite();
}

void XlsxWriter::addRow(const QVariantList& cells, RowStyle style)
{
    beginSheet();
    if (d->rows >= MaxRows)
        throw AppError(QStringLiteral("The workbook %1 cannot hold more than %2 rows in a sheet.")
                           .arg(QDir::toNativeSeparators(d->outputPath))
                           .arg(MaxRows));
    if (cells.size() > MaxColumns)
        throw AppError(QStringLiteral("The workbook %1 cannot hold more than %2 columns in a sheet.")
                           .arg(QDir::toNativeSeparators(d->outputPath))
                           .arg(MaxColumns));
    ++d->rows;
    d->writeTemplateRowsBefore(d->rows);
    const std::vector<XlsxTemplate::Row>& templateRows = d->tpl->rows();
    const XlsxTemplate::Row* kept = nullptr;
    if (d->nextTemplateRow < templateRows.size() && templateRows[d->nextTemplateRow].number == d->rows)
        kept = &templateRows[d->nextTemplateRow++];

    const QString rowText = QString::number(d->rows);
    d->pendingRow = rowText;
    d->pendingTemplateRow = kept;
    const bool bold = style == RowStyle::Bold;
    if (!kept) {
        for (int i = 0; i < cells.size(); ++i) {
            const QVariant& value = cells[i];
            if (!value.isNull())
                d->writeCell(i, d->column(i) + rowText, value, d->tpl->styles(0), bold);
        }
    } else {
        // The row's cells from A to its last are written as a spreadsheet
        // writes a pasted row: values replace the template's, keeping its
        // formats; an empty value empties the cell. Cells further right stay.
        d->openPendingRow();
        auto cell = kept->cells.begin();
        for (int i = 0; i < cells.size(); ++i) {
            while (cell != kept->cells.end() && cell->column < i)
                ++cell;
            const int keptStyle = cell != kept->cells.end() && cell->column == i ? cell->style : 0;
            const QVariant& value = cells[i];
            const QString ref = d->column(i) + rowText;
            if (!(!value.isNull() && d->writeCell(i, ref, value, d->tpl->styles(keptStyle), bold)) && keptStyle) {
                d->startCell(ref, keptStyle, QString());
                d->xml.writeEndElement();
            }
        }
        for (; cell != kept->cells.end(); ++cell)
            if (cell->column >= cells.size())
                d->writeKeptCell(*cell);
    }
    if (d->pendingRow.isEmpty())
        d->xml.writeEndElement();
    d->pendingRow.clear();
    d->pendingTemplateRow = nullptr;
    if (d->buffer.size() >= 64 * 1024)
        d->flushBuffer();
}

void XlsxWriter::finish()
{
    beginSheet();
    d->writeTemplateRowsBefore(std::numeric_limits<qint64>::max());
    d->xml.writeEndElement(); // sheetData
    d->flushBuffer();
    d->sheetFile.write(d->tpl->sheetTail());
    if (d->dimensionFileOffset >= 0) {
        const QByteArray ref = d->dimensionRef().toUtf8();
        d->sheetFile.seek(d->dimensionFileOffset);
        d->sheetFile.write(ref + '"' + QByteArray(kDimensionWidth - ref.size(), ' '));
    }
    d->sheetFile.flush();
    d->checkWrite();
    d->state = Private::State::Failed;
    d->tpl->writePackage(d->outputPath, d->sheetFile.fileName());
    d->state = Private::State::Finished;
    d->sheetFile.close();
}

void XlsxWriter::createEmptyWorkbook(const QString& path, const QString& sheetName)
{
    XlsxTemplate::createEmpty(path, sheetName);
}
