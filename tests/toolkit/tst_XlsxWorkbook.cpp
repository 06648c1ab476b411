#include "toolkit/AppError.h"
#include "toolkit/XlsxWorkbook.h"
#include "toolkit/XlsxXmlPart.h"
#include "support/ExternalReaders.h"

#include <QJsonArray>
#include <QJsonObject>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <zip.h>

#include <cmath>
#include <limits>
#include <unistd.h>

namespace {

using Parts = QList<QPair<QString, QByteArray>>;

void writeZip(const QString& path, const Parts& parts)
{
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(za);
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
        QVERIFY(zip_file_add(za, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) >= 0);
    }
    QCOMPARE(zip_close(za), 0);
}

// Every entry of a zip, uncompressed, in archive order.
Parts readZip(const QString& path)
{
    Parts parts;
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za)
        return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        QByteArray data;
        char buf[8192];
        zip_int64_t n;
        while (f && (n = zip_fread(f, buf, sizeof buf)) > 0)
            data.append(buf, qsizetype(n));
        if (f)
            zip_fclose(f);
        parts.append({QString::fromUtf8(zip_get_name(za, zip_uint64_t(i), 0)), data});
    }
    zip_close(za);
    return parts;
}

QByteArray part(const Parts& parts, const QString& name)
{
    for (const auto& p : parts)
        if (p.first == name)
            return p.second;
    return QByteArray();
}

bool hasPart(const Parts& parts, const QString& name)
{
    return std::any_of(parts.begin(), parts.end(), [&](const auto& p) { return p.first == name; });
}

struct Cell
{
    QString type;  // the t attribute
    int style = 0; // the s attribute
    QString value; // <v> or the inline string's <t>
};

struct Sheet
{
    QMap<QString, Cell> cells;
    QStringList rowNumbers;
    QString dimension;
    bool valid = false;
    QString error;
};

Sheet readSheet(const QByteArray& xml)
{
    Sheet sheet;
    QXmlStreamReader r(xml);
    QString ref;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            if (r.name() == QLatin1String("dimension"))
                sheet.dimension = r.attributes().value("ref").toString();
            else if (r.name() == QLatin1String("row"))
                sheet.rowNumbers << r.attributes().value("r").toString();
            else if (r.name() == QLatin1String("c")) {
                ref = r.attributes().value("r").toString();
                Cell c;
                c.type = r.attributes().value("t").toString();
                c.style = r.attributes().value("s").toInt();
                sheet.cells.insert(ref, c);
            } else if ((r.name() == QLatin1String("v") || r.name() == QLatin1String("t")) && !ref.isEmpty())
                sheet.cells[ref].value = r.readElementText();
        } else if (r.isEndElement() && r.name() == QLatin1String("c")) {
            ref.clear();
        }
    }
    sheet.valid = !r.hasError();
    sheet.error = r.errorString();
    return sheet;
}

// The style sheet's view of a cell style: its number format code and
// whether its font is bold.
struct Styles
{
    QMap<int, QString> formats;      // numFmtId -> code
    QList<int> xfFormat, xfFont;     // per cellXfs entry
    QList<bool> fontBold;
    int cellXfsCount = -1, numFmtsCount = -1, fontsCount = -1;

    QString formatOf(int style) const { return style < xfFormat.size() ? formats.value(xfFormat[style]) : "?"; }
    bool boldOf(int style) const { return style < xfFont.size() && fontBold.value(xfFont[style]); }
};

Styles readStyles(const QByteArray& xml)
{
    Styles s;
    QXmlStreamReader r(xml);
    bool inXfs = false, inFonts = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const auto a = r.attributes();
            if (r.name() == QLatin1String("numFmts"))
                s.numFmtsCount = a.value("count").toInt();
            else if (r.name() == QLatin1String("numFmt"))
                s.formats.insert(a.value("numFmtId").toInt(), a.value("formatCode").toString());
            else if (r.name() == QLatin1String("fonts")) {
                inFonts = true;
                s.fontsCount = a.value("count").toInt();
            } else if (inFonts && r.name() == QLatin1String("font"))
                s.fontBold << false;
            else if (inFonts && r.name() == QLatin1String("b"))
                s.fontBold.last() = true;
            else if (r.name() == QLatin1String("cellXfs")) {
                inXfs = true;
                s.cellXfsCount = a.value("count").toInt();
            } else if (inXfs && r.name() == QLatin1String("xf")) {
                s.xfFormat << a.value("numFmtId").toInt();
                s.xfFont << a.value("fontId").toInt();
            }
        } else if (r.isEndElement()) {
            if (r.name() == QLatin1String("cellXfs"))
                inXfs = false;
            if (r.name() == QLatin1String("fonts"))
                inFonts = false;
        }
    }
    return s;
}

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray kPkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";

// Incompressible, and larger than any read buffer.
QByteArray picture()
{
    QByteArray data("\x89PNG\r\n\x1a\n", 8);
    QRandomGenerator random(7);
    for (int i = 0; i < 64 * 1024; ++i)
        data.append(char(random.generate() & 0xff));
    return data;
}

// A workbook as a spreadsheet program leaves it: two sheets, the first with
// a prefixed namespace, column widths, a formula in the calculation chain,
// shared strings, a number format of its own and a picture.
Parts richTemplate(bool date1904 = false)
{
    const QByteArray ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    return {
        {"[Content_Types].xml",
         kDecl + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                 "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                 "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                 "<Default Extension=\"png\" ContentType=\"image/png\"/>"
                 "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + ct + "sheet.main+xml\"/>"
                 "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + ct + "worksheet+xml\"/>"
                 "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\"" + ct + "worksheet+xml\"/>"
                 "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + ct + "styles+xml\"/>"
                 "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + ct + "sharedStrings+xml\"/>"
                 "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"" + ct + "calcChain+xml\"/>"
                 "</Types>"},
        {"_rels/.rels", kDecl + "<Relationships xmlns=\"" + kPkgRel + "\"><Relationship Id=\"rId1\" Type=\"" + kRel +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         kDecl + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\">" +
             (date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr defaultThemeVersion=\"124226\"/>") +
             "<sheets><sheet name=\"Report &amp; Co\" sheetId=\"1\" r:id=\"rId7\"/>"
             "<sheet name=\"Notes\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         kDecl + "<Relationships xmlns=\"" + kPkgRel + "\">"
                 "<Relationship Id=\"rId2\" Type=\"" + kRel + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>"
                 "<Relationship Id=\"rId7\" Type=\"" + kRel + "/worksheet\" Target=\"/xl/worksheets/sheet1.xml\"/>"
                 "<Relationship Id=\"rId3\" Type=\"" + kRel + "/styles\" Target=\"styles.xml\"/>"
                 "<Relationship Id=\"rId4\" Type=\"" + kRel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                 "<Relationship Id=\"rId5\" Type=\"" + kRel + "/calcChain\" Target=\"calcChain.xml\"/>"
                 "</Relationships>"},
        {"xl/worksheets/sheet1.xml",
         kDecl + "<x:worksheet xmlns:x=\"" + kMain + "\" xmlns:r=\"" + kRel +
             "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
             "xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\" mc:Ignorable=\"x14ac\">"
             "<x:dimension ref=\"A1:B1\"/>"
             "<x:sheetViews><x:sheetView workbookViewId=\"0\"/></x:sheetViews>"
             "<x:sheetFormatPr defaultRowHeight=\"15\" x14ac:dyDescent=\"0.25\"/>"
             "<x:cols><x:col min=\"2\" max=\"2\" width=\"30\" customWidth=\"1\"/></x:cols>"
             "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c>"
             "<x:c r=\"B1\"><x:f>1+1</x:f><x:v>2</x:v></x:c></x:row>"
             "<x:row r=\"9\"><x:c r=\"Z9\"><x:v>9</x:v></x:c></x:row></x:sheetData>"
             "<x:pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
             "</x:worksheet>"},
        {"xl/worksheets/sheet2.xml",
         kDecl + "<worksheet xmlns=\"" + kMain + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                 "</sheetData></worksheet>"},
        {"xl/sharedStrings.xml",
         kDecl + "<sst xmlns=\"" + kMain + "\" count=\"2\" uniqueCount=\"1\"><si><t>kept note</t></si></sst>"},
        {"xl/calcChain.xml", kDecl + "<calcChain xmlns=\"" + kMain + "\"><c r=\"B1\" i=\"1\"/></calcChain>"},
        {"xl/styles.xml",
         kDecl + "<styleSheet xmlns=\"" + kMain + "\">"
                 "<numFmts count=\"1\"><numFmt numFmtId=\"170\" formatCode=\"0.000\"/></numFmts>"
                 "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/></font></fonts>"
                 "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                 "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                 "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
                 "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                 "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
                 "<xf numFmtId=\"170\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\">"
                 "<alignment horizontal=\"right\"/></xf></cellXfs>"
                 "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
                 "</styleSheet>"},
        {"xl/media/image1.png", picture()},
    };
}

} // namespace

class TestXlsxWorkbook : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_template;
    int m_files = 0;

    QString newPath(const QString& suffix = QStringLiteral(".xlsx"))
    {
        return m_dir.filePath(QStringLiteral("f%1%2").arg(m_files++).arg(suffix));
    }
    // Writes the rows into a copy of `templatePath` and returns the copy's path.
    QString fill(const QList<QVariantList>& rows, const QString& templatePath = QString())
    {
        const QString out = newPath();
        XlsxWriter w(templatePath.isEmpty() ? m_template : templatePath, out);
        w.beginSheet();
        for (const auto& row : rows)
            w.addRow(row);
        w.finish();
        return out;
    }
    static Sheet firstSheet(const QString& path, const QString& part = QStringLiteral("xl/worksheets/sheet1.xml"))
    {
        return readSheet(::part(readZip(path), part));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_template = m_dir.filePath(QStringLiteral("template.xlsx"));
        XlsxWriter::createEmptyWorkbook(m_template);
    }

    void columnName_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 0 << "A";
        QTest::newRow("second") << 1 << "B";
        QTest::newRow("last single letter") << 25 << "Z";
        QTest::newRow("first double letter") << 26 << "AA";
        QTest::newRow("AZ to BA") << 52 << "BA";
        QTest::newRow("last double letter") << 701 << "ZZ";
        QTest::newRow("first triple letter") << 702 << "AAA";
        QTest::newRow("last column of a sheet") << XlsxWriter::MaxColumns - 1 << "XFD";
    }
    void columnName()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QCOMPARE(XlsxXml::columnName(index), name);
    }

    void cells_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("type");   // "none" when no cell is written
        QTest::addColumn<QString>("stored"); // as the sheet XML holds it
        QTest::addColumn<QString>("format");

        const QString date = "yyyy-mm-dd", dateTime = "yyyy-mm-dd hh:mm:ss";
        QTest::newRow("int") << QVariant(42) << "" << "42" << "";
        QTest::newRow("negative long long") << QVariant(-9000000000LL) << "" << "-9000000000" << "";
        QTest::newRow("unsigned") << QVariant(4000000000U) << "" << "4000000000" << "";
        QTest::newRow("double") << QVariant(1.5) << "" << "1.5" << "";
        QTest::newRow("double shortest form") << QVariant(0.1) << "" << "0.1" << "";
        QTest::newRow("hours from minutes") << QVariant(125 / 60.0) << "" << "2.0833333333333335" << "";
        QTest::newRow("NaN as text") << QVariant(std::nan("")) << "inlineStr" << "nan" << "";
        QTest::newRow("infinity as text") << QVariant(std::numeric_limits<double>::infinity()) << "inlineStr" << "inf"
                                          << "";
        QTest::newRow("true") << QVariant(true) << "b" << "1" << "";
        QTest::newRow("false") << QVariant(false) << "b" << "0" << "";
        QTest::newRow("text") << QVariant("plain") << "inlineStr" << "plain" << "";
        QTest::newRow("digits stay text") << QVariant("007") << "inlineStr" << "007" << "";
        QTest::newRow("markup characters") << QVariant("a<b & c>d \"q\" 'a' </c>") << "inlineStr"
                                           << "a<b & c>d \"q\" 'a' </c>" << "";
        QTest::newRow("non-Latin letters") << QVariant(QString::fromUtf8("Ελληνικά Кириллица 漢字 😀")) << "inlineStr"
                                           << QString::fromUtf8("Ελληνικά Кириллица 漢字 😀") << "";
        QTest::newRow("outer blanks kept") << QVariant("  padded ") << "inlineStr" << "  padded " << "";
        QTest::newRow("line break kept") << QVariant("two\nlines") << "inlineStr" << "two\nlines" << "";
        QTest::newRow("control character escaped") << QVariant(QString("bell\x07")) << "inlineStr" << "bell_x0007_"
                                                   << "";
        QTest::newRow("literal escape protected") << QVariant("_x0041_") << "inlineStr" << "_x005F_x0041_" << "";
        QTest::newRow("lone surrogate replaced") << QVariant(QString(QChar(0xD800)) + "x") << "inlineStr"
                                                 << QString(QChar(QChar::ReplacementCharacter)) + "x" << "";
        QTest::newRow("text cut at the cell limit") << QVariant(QString(40000, 'x')) << "inlineStr"
                                                    << QString(XlsxWriter::MaxTextLength, 'x') << "";
        QTest::newRow("byte array as text") << QVariant(QByteArray("bytes")) << "inlineStr" << "bytes" << "";
        QTest::newRow("null") << QVariant() << "none" << "" << "";
        QTest::newRow("typed null") << QVariant(QMetaType::fromType<int>()) << "none" << "" << "";
        QTest::newRow("empty text") << QVariant(QString("")) << "none" << "" << "";
        QTest::newRow("invalid date") << QVariant(QDate()) << "none" << "" << "";
        QTest::newRow("date") << QVariant(QDate(2009, 5, 1)) << "" << "39934" << date;
        QTest::newRow("first serial date") << QVariant(QDate(1900, 3, 1)) << "" << "61" << date;
        QTest::newRow("February 1900 as text") << QVariant(QDate(1900, 2, 28)) << "inlineStr" << "1900-02-28" << "";
        QTest::newRow("date before 1900 as text") << QVariant(QDate(1850, 7, 14)) << "inlineStr" << "1850-07-14" << "";
        QTest::newRow("date after 9999 as text") << QVariant(QDate(10000, 1, 1)) << "inlineStr" << "10000-01-01"
                                                 << "";
        QTest::newRow("date-time") << QVariant(QDateTime(QDate(2009, 5, 1), QTime(12, 0))) << "" << "39934.5"
                                   << dateTime;
        QTest::newRow("date-time at midnight") << QVariant(QDateTime(QDate(2009, 5, 1), QTime(0, 0))) << "" << "39934"
                                               << dateTime;
        QTest::newRow("year before the common era as text") << QVariant(QDate(-44, 3, 15)) << "inlineStr" << "-0044-03-15"
                                                            << "";
        QTest::newRow("date-time before 1900 as text")
            << QVariant(QDateTime(QDate(1899, 12, 31), QTime(23, 59, 59))) << "inlineStr" << "1899-12-31 23:59:59" << "";
        QTest::newRow("time of day") << QVariant(QTime(6, 0)) << "" << "0.25" << "hh:mm:ss";
    }
    void cells()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, type);
        QFETCH(QString, stored);
        QFETCH(QString, format);

        const QString out = fill({{value}});
        const Parts parts = readZip(out);
        const Sheet sheet = readSheet(part(parts, "xl/worksheets/sheet1.xml"));
        QVERIFY2(sheet.valid, qPrintable(sheet.error));
        if (type == QLatin1String("none")) {
            QVERIFY(sheet.cells.isEmpty());
            QVERIFY(sheet.rowNumbers.isEmpty());
            return;
        }
        QVERIFY(sheet.cells.contains("A1"));
        const Cell cell = sheet.cells.value("A1");
        QCOMPARE(cell.type, type);
        QCOMPARE(cell.value, stored);
        const Styles styles = readStyles(part(parts, "xl/styles.xml"));
        QCOMPARE(styles.formatOf(cell.style), format);
        QVERIFY(!styles.boldOf(cell.style));
    }

    void dimensionFollowsTheCells_data()
    {
        QTest::addColumn<QList<QVariantList>>("rows");
        QTest::addColumn<QString>("dimension");
        QTest::addColumn<QStringList>("rowNumbers");
        QTest::addColumn<QStringList>("cells");

        QTest::newRow("no rows") << QList<QVariantList>{} << "A1" << QStringList{} << QStringList{};
        QTest::newRow("one row") << QList<QVariantList>{{"a", 1, 2.5}} << "A1:C1" << QStringList{"1"}
                                 << QStringList{"A1", "B1", "C1"};
        QTest::newRow("one cell") << QList<QVariantList>{{"a"}} << "A1" << QStringList{"1"} << QStringList{"A1"};
        // A hidden second grid column: its letter is used up, B stays empty.
        QTest::newRow("empty column B")
            << QList<QVariantList>{{"Project", QVariant(), "Hours"}, {"P1", QVariant(), 1.5}, {"P2", QVariant(), 2.0}}
            << "A1:C3" << QStringList{"1", "2", "3"} << QStringList{"A1", "A2", "A3", "C1", "C2", "C3"};
        // A column without a field: its title and no values.
        QTest::newRow("column without values")
            << QList<QVariantList>{{"A", "B", "Unbound"}, {1, 2}, {3, 4, QVariant()}} << "A1:C3"
            << QStringList{"1", "2", "3"} << QStringList{"A1", "A2", "A3", "B1", "B2", "B3", "C1"};
        QTest::newRow("row of nulls skipped") << QList<QVariantList>{{1}, {QVariant(), QVariant()}, {3}} << "A1:A3"
                                              << QStringList{"1", "3"} << QStringList{"A1", "A3"};
        QTest::newRow("first column empty") << QList<QVariantList>{{QVariant(), "b"}, {QVariant(), "c", "d"}}
                                            << "B1:C2" << QStringList{"1", "2"} << QStringList{"B1", "B2", "C2"};
        QTest::newRow("past Z") << QList<QVariantList>{QVariantList(28, 7)} << "A1:AB1" << QStringList{"1"}
                                << QStringList{"A1", "AA1", "AB1", "B1", "C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1",
                                               "K1", "L1", "M1", "N1", "O1", "P1", "Q1", "R1", "S1", "T1", "U1", "V1",
                                               "W1", "X1", "Y1", "Z1"};
    }
    void dimensionFollowsTheCells()
    {
        QFETCH(QList<QVariantList>, rows);
        QFETCH(QString, dimension);
        QFETCH(QStringList, rowNumbers);
        QFETCH(QStringList, cells);

        const Sheet sheet = firstSheet(fill(rows));
        QVERIFY2(sheet.valid, qPrintable(sheet.error));
        QCOMPARE(sheet.dimension, dimension);
        QCOMPARE(sheet.rowNumbers, rowNumbers);
        QCOMPARE(sheet.cells.keys(), cells);
    }

    void rowCountCounts()
    {
        XlsxWriter w(m_template, newPath());
        QCOMPARE(w.rowCount(), 0);
        w.addRow({1});
        w.addRow({});
        w.addRow({QVariant()});
        QCOMPARE(w.rowCount(), 3);
        w.finish();
    }

    void boldRow()
    {
        const QString out = newPath();
        XlsxWriter w(m_template, out);
        w.addRow({"Title", QDate(2009, 5, 1), 3}, XlsxWriter::RowStyle::Bold);
        w.addRow({"value", QDate(2009, 5, 2), 4});
        w.finish();
        const Parts parts = readZip(out);
        const Sheet sheet = readSheet(part(parts, "xl/worksheets/sheet1.xml"));
        const Styles styles = readStyles(part(parts, "xl/styles.xml"));
        for (const char* ref : {"A1", "B1", "C1"})
            QVERIFY2(styles.boldOf(sheet.cells[ref].style), ref);
        for (const char* ref : {"A2", "B2", "C2"})
            QVERIFY2(!styles.boldOf(sheet.cells[ref].style), ref);
        QCOMPARE(styles.formatOf(sheet.cells["B1"].style), QStringLiteral("yyyy-mm-dd"));
        QCOMPARE(styles.formatOf(sheet.cells["B2"].style), QStringLiteral("yyyy-mm-dd"));
    }

    void templatePartsKept()
    {
        const QString templ = newPath();
        const Parts original = richTemplate();
        writeZip(templ, original);
        const QByteArray templateBytes = [&] { QFile f(templ); f.open(QIODevice::ReadOnly); return f.readAll(); }();

        XlsxWriter w(templ, newPath());
        QCOMPARE(w.sheetName(), QStringLiteral("Report & Co"));
        const QString out = m_dir.filePath(QStringLiteral("rich-out.xlsx"));
        {
            XlsxWriter writer(templ, out);
            writer.addRow({"Name", "Day"}, XlsxWriter::RowStyle::Bold);
            writer.addRow({"Smith", QDate(2009, 5, 1)});
            writer.finish();
        }
        // The template itself is never touched.
        QFile f(templ);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), templateBytes);

        const Parts parts = readZip(out);
        QVERIFY(!parts.isEmpty());
        QStringList names;
        for (const auto& p : parts)
            names << p.first;
        QCOMPARE(names, (QStringList{"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                     "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/sharedStrings.xml",
                                     "xl/styles.xml", "xl/media/image1.png"}));
        for (const char* same : {"_rels/.rels", "xl/worksheets/sheet2.xml", "xl/sharedStrings.xml",
                                    "xl/media/image1.png"})
            QVERIFY2(part(parts, same) == part(original, same), same);
        // The workbook only gains the request to recalculate on load.
        QCOMPARE(part(parts, "xl/workbook.xml"),
                 QByteArray(part(original, "xl/workbook.xml")).replace("</workbook>", "<calcPr fullCalcOnLoad=\"1\"/></workbook>"));

        // The chain of removed formulas is gone, and nothing names it.
        QVERIFY(!part(parts, "[Content_Types].xml").contains("calcChain"));
        QVERIFY(!part(parts, "xl/_rels/workbook.xml.rels").contains("calcChain"));
        QVERIFY(part(parts, "xl/_rels/workbook.xml.rels").contains("sharedStrings.xml"));

        // The first sheet keeps its prefixes and everything but the cells
        // written over; Z9 lies outside them.
        const QByteArray sheetXml = part(parts, "xl/worksheets/sheet1.xml");
        for (const char* kept : {"mc:Ignorable=\"x14ac\"", "x14ac:dyDescent=\"0.25\"",
                                 "<x:cols><x:col min=\"2\" max=\"2\" width=\"30\" customWidth=\"1\"/></x:cols>",
                                 "<x:pageMargins left=\"0.7\"", "<x:dimension ref=\"A1:Z9\""})
            QVERIFY2(sheetXml.contains(kept), kept);
        QVERIFY(!sheetXml.contains("<x:f>"));
        const Sheet sheet = readSheet(sheetXml);
        QVERIFY2(sheet.valid, qPrintable(sheet.error));
        QCOMPARE(sheet.cells.keys(), (QStringList{"A1", "A2", "B1", "B2", "Z9"}));
        QCOMPARE(sheet.cells["Z9"].value, QStringLiteral("9"));
        QCOMPARE(sheet.cells["A2"].value, QStringLiteral("Smith"));
        QVERIFY(sheetXml.contains("<x:c r=\"B2\""));

        // The style sheet keeps its own formats and gains ours.
        const Styles styles = readStyles(part(parts, "xl/styles.xml"));
        QCOMPARE(styles.formats.value(170), QStringLiteral("0.000"));
        QCOMPARE(styles.numFmtsCount, styles.formats.size());
        QCOMPARE(styles.cellXfsCount, styles.xfFormat.size());
        QCOMPARE(styles.fontsCount, styles.fontBold.size());
        QCOMPARE(styles.xfFormat.value(1), 170);
        QVERIFY(part(parts, "xl/styles.xml").contains("<alignment horizontal=\"right\"/></xf>"));
        QVERIFY(styles.formats.key(QStringLiteral("yyyy-mm-dd")) > 170);
        QCOMPARE(styles.formatOf(sheet.cells["B2"].style), QStringLiteral("yyyy-mm-dd"));
        QVERIFY(styles.boldOf(sheet.cells["A1"].style));
    }

    // A template made by another program, filled and read back by it: what
    // lies outside the written cells stays, and written cells keep their fill.
    void templateKeptAroundTheData()
    {
        const QString templ = newPath();
        const QByteArray made = ExternalReaders::python(QStringLiteral(
            "import sys, openpyxl\n"
            "from openpyxl.styles import PatternFill\n"
            "wb = openpyxl.Workbook()\n"
            "ws = wb.active\n"
            "ws.title = 'Report'\n"
            "ws['A1'] = 'old heading'\n"
            "ws['A1'].fill = PatternFill('solid', fgColor='FFFF0000')\n"
            "ws['B2'] = 'stale'\n"
            "ws['D3'] = 'stale too'\n"
            "ws['D2'].fill = PatternFill('solid', fgColor='FFFFFF00')\n"
            "ws['H1'] = 'Hours report'\n"
            "ws.merge_cells('H1:J1')\n"
            "ws['H3'] = 'side note'\n"
            "ws['J5'] = '=SUM(E2:E4)'\n"
            "ws['A30'] = 'Footer'\n"
            "wb.create_sheet('Notes')['A1'] = 'keep me'\n"
            "wb.save(sys.argv[1])\n"
            "print('made')\n"), {templ});
        QCOMPARE(made.trimmed(), QByteArray("made"));

        const QString out = newPath();
        {
            XlsxWriter w(templ, out);
            w.addRow({"Project", "Developer", "Day", "Start", "Hours", "Done", "Note"}, XlsxWriter::RowStyle::Bold);
            w.addRow({"Portal", "Berg Anna", QDate(2026, 5, 11), QDateTime(QDate(2026, 5, 11), QTime(8, 30)), 1.5,
                      true, "x"});
            w.addRow({"Billing", QVariant(), QDate(2026, 5, 12), QVariant(), 2.25, false, QVariant()});
            w.addRow({"Intranet", "Okafor Chidi", QVariant(), QVariant(), 0.5, false, QVariant()});
            w.finish();
        }
        const QJsonObject book = ExternalReaders::xlsxContents(out);
        const QJsonArray sheets = book.value("sheets").toArray();
        QCOMPARE(sheets.size(), 2);
        const QJsonObject report = sheets.at(0).toObject();
        QCOMPARE(report.value("name").toString(), QStringLiteral("Report"));
        QCOMPARE(sheets.at(1).toObject().value("cells").toObject().value("A1").toObject().value("value").toString(),
                 QStringLiteral("keep me"));
        const QJsonObject cells = report.value("cells").toObject();
        auto value = [&](const char* ref) { return cells.value(ref).toObject().value("value").toString(); };
        auto attribute = [&](const char* ref, const char* what) { return cells.value(ref).toObject().value(what); };

        // Outside the written rows and columns, as the template had it.
        QCOMPARE(value("H1"), QStringLiteral("Hours report"));
        QCOMPARE(report.value("merged").toArray(), QJsonArray({"H1:J1"}));
        QCOMPARE(value("H3"), QStringLiteral("side note"));
        QCOMPARE(value("J5"), QStringLiteral("=SUM(E2:E4)"));
        QCOMPARE(value("A30"), QStringLiteral("Footer"));
        // Written over: new values in the template's formats.
        QCOMPARE(value("A1"), QStringLiteral("Project"));
        QCOMPARE(attribute("A1", "fill").toString(), QStringLiteral("FFFF0000"));
        QVERIFY(attribute("A1", "bold").toBool());
        QCOMPARE(value("B2"), QStringLiteral("Berg Anna"));
        QVERIFY(!cells.contains("D3")); // an empty value empties the cell
        QCOMPARE(value("C3"), QStringLiteral("2026-05-12 00:00:00"));
        QCOMPARE(value("D2"), QStringLiteral("2026-05-11 08:30:00"));
        QCOMPARE(attribute("D2", "fill").toString(), QStringLiteral("FFFFFF00"));
        QCOMPARE(attribute("D2", "format").toString(), QStringLiteral("yyyy-mm-dd hh:mm:ss"));
        QCOMPARE(value("E3"), QStringLiteral("2.25"));
        QCOMPARE(value("A4"), QStringLiteral("Intranet"));
        // The formula's stored result is the template's; the workbook asks for a recalculation.
        QVERIFY(part(readZip(out), "xl/workbook.xml").contains("fullCalcOnLoad=\"1\""));
    }

    void stylesAddedWhenMissing()
    {
        Parts parts = richTemplate();
        parts.removeIf([](const auto& p) { return p.first == "xl/styles.xml"; });
        for (auto& p : parts) {
            if (p.first == "xl/_rels/workbook.xml.rels" || p.first == "[Content_Types].xml") {
                QList<QByteArray> lines;
                p.second.replace("<Relationship Id=\"rId3\" Type=\"" + kRel + "/styles\" Target=\"styles.xml\"/>", "");
                p.second.replace("<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
                                 "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>",
                                 "");
            }
        }
        const QString templ = newPath();
        writeZip(templ, parts);
        QVERIFY(!part(readZip(templ), "[Content_Types].xml").contains("styles"));

        const QString out = fill({{QDate(2009, 5, 1)}}, templ);
        const Parts result = readZip(out);
        QVERIFY(hasPart(result, "xl/styles.xml"));
        QVERIFY(part(result, "[Content_Types].xml").contains("PartName=\"/xl/styles.xml\""));
        QVERIFY(part(result, "xl/_rels/workbook.xml.rels").contains("/styles\" Target=\"styles.xml\""));
        const Styles styles = readStyles(part(result, "xl/styles.xml"));
        QCOMPARE(styles.formatOf(readSheet(part(result, "xl/worksheets/sheet1.xml")).cells["A1"].style),
                 QStringLiteral("yyyy-mm-dd"));
    }

    void date1904Workbook_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("stored");
        QTest::newRow("date") << QVariant(QDate(2009, 5, 1)) << "" << "38472";
        QTest::newRow("first day") << QVariant(QDate(1904, 1, 1)) << "" << "0";
        QTest::newRow("before 1904 as text") << QVariant(QDate(1903, 6, 1)) << "inlineStr" << "1903-06-01";
    }
    void date1904Workbook()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, type);
        QFETCH(QString, stored);
        const QString templ = newPath();
        writeZip(templ, richTemplate(true));
        const Sheet sheet = firstSheet(fill({{value}}, templ));
        QCOMPARE(sheet.cells["A1"].type, type);
        QCOMPARE(sheet.cells["A1"].value, stored);
    }

    void defaultWorkbook()
    {
        const Parts parts = readZip(m_template);
        QStringList names;
        for (const auto& p : parts)
            names << p.first;
        QCOMPARE(names, (QStringList{"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                     "xl/worksheets/sheet1.xml", "xl/styles.xml"}));
        const Styles styles = readStyles(part(parts, "xl/styles.xml"));
        QVERIFY(!styles.boldOf(0));
        QVERIFY(styles.boldOf(1));
        QCOMPARE(XlsxWriter(m_template, newPath()).sheetName(), QStringLiteral("Sheet1"));

        const QString named = newPath();
        XlsxWriter::createEmptyWorkbook(named, QStringLiteral("Zeit & Stunden"));
        QCOMPARE(XlsxWriter(named, newPath()).sheetName(), QStringLiteral("Zeit & Stunden"));
    }

    void badSheetName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("too long") << QString(32, 'a');
        QTest::newRow("slash") << "a/b";
        QTest::newRow("bracket") << "[a]";
        QTest::newRow("leading apostrophe") << "'a";
    }
    void badSheetName()
    {
        QFETCH(QString, name);
        const QString path = newPath();
        QVERIFY_THROWS_EXCEPTION(AppError, XlsxWriter::createEmptyWorkbook(path, name));
        QVERIFY(!QFile::exists(path));
    }

    // The committed default workbook is what createEmptyWorkbook makes, and
    // the build puts a copy where the options point by default.
    void committedDefaultWorkbook()
    {
        const QString committed = QFINDTESTDATA("../../resources/Hourwright.xlsx");
        QVERIFY(!committed.isEmpty());
        QCOMPARE(readZip(committed), readZip(m_template));
        const QString buildDir = qEnvironmentVariable("HW_TEST_BINARY_DIR");
        if (buildDir.isEmpty())
            QSKIP("HW_TEST_BINARY_DIR is not set (run through ctest)");
        QCOMPARE(readZip(buildDir + "/Reports/Hourwright.xlsx"), readZip(m_template));
    }

    void templateErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << "does not exist";
        QTest::newRow("folder") << "folder" << "is a folder";
        QTest::newRow(".xls workbook") << "xls" << "Only .xlsx workbooks can be filled";
        QTest::newRow("random bytes") << "random" << "no zip archive";
        QTest::newRow("empty file") << "empty" << "no zip archive";
        QTest::newRow("truncated xlsx") << "truncated" << "Only .xlsx workbooks can be filled";
        QTest::newRow("zip of something else") << "zip" << "Only .xlsx workbooks can be filled";
        QTest::newRow("text document") << "docx" << "Only .xlsx workbooks can be filled";
        QTest::newRow("broken workbook XML") << "brokenxml" << "not valid XML";
        QTest::newRow("chart as first sheet") << "chart" << "is not a worksheet";
        QTest::newRow("first sheet part missing") << "nosheet" << "is missing";
    }
    void templateErrors()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString path = newPath(kind == "xls" ? ".xls" : ".xlsx");
        auto writeBytes = [&](const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        auto withPart = [&](const QString& name, const QByteArray& data) {
            Parts parts = richTemplate();
            for (auto& p : parts)
                if (p.first == name)
                    p.second = data;
            parts.removeIf([](const auto& p) { return p.second.isNull(); });
            writeZip(path, parts);
        };
        if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "xls")
            writeBytes(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0'));
        else if (kind == "random")
            writeBytes(QByteArray("This is not a workbook at all, just some words.\n").repeated(20));
        else if (kind == "empty")
            writeBytes(QByteArray());
        else if (kind == "truncated") {
            QFile f(m_template);
            f.open(QIODevice::ReadOnly);
            writeBytes(f.readAll().left(300));
        } else if (kind == "zip")
            writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<x/>"}});
        else if (kind == "docx")
            writeZip(path,
                     {{"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
                      {"_rels/.rels", "<Relationships xmlns=\"" + kPkgRel + "\"><Relationship Id=\"rId1\" Type=\"" + kRel +
                                          "/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
                      {"word/document.xml",
                       "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"/>"}});
        else if (kind == "brokenxml")
            withPart("xl/workbook.xml", "<workbook xmlns=\"" + kMain + "\"><sheets>");
        else if (kind == "chart")
            withPart("xl/_rels/workbook.xml.rels",
                     "<Relationships xmlns=\"" + kPkgRel + "\"><Relationship Id=\"rId7\" Type=\"" + kRel +
                         "/chartsheet\" Target=\"chartsheets/sheet1.xml\"/></Relationships>");
        else if (kind == "nosheet")
            withPart("xl/worksheets/sheet1.xml", QByteArray());

        const QString out = newPath();
        try {
            XlsxWriter w(path, out);
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(path)), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(out));
    }

    void outputErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << "missing" << "does not exist";
        QTest::newRow("folder is a file") << "file" << "does not exist";
        QTest::newRow("output is a folder") << "dir" << "a folder of that name exists";
        QTest::newRow("output is the template") << "same" << "cannot be filled in place";
    }
    void outputErrors()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString out;
        const QString templ = newPath();
        QVERIFY(QFile::copy(m_template, templ));
        if (kind == "missing")
            out = m_dir.filePath("no/such/folder/out.xlsx");
        else if (kind == "file")
            out = templ + "/out.xlsx";
        else if (kind == "dir")
            QVERIFY(QDir().mkpath(out = newPath()));
        else
            out = QFileInfo(templ).absolutePath() + "/./" + QFileInfo(templ).fileName();
        try {
            XlsxWriter w(templ, out);
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QVERIFY(kind != "missing" || !QFile::exists(out));
        QCOMPARE(readZip(templ), readZip(m_template));
    }

    void readOnlyFolder()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not bind root");
        const QString folder = m_dir.filePath("readonly");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY_THROWS_EXCEPTION(AppError, XlsxWriter(m_template, folder + "/out.xlsx"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QDir(folder).isEmpty());
    }

    // A failure while the archive is written leaves neither a partial file
    // nor a damaged earlier export.
    void failedFinishLeavesNothing_data()
    {
        QTest::addColumn<bool>("removeFolder");
        QTest::newRow("template damaged meanwhile") << false;
        QTest::newRow("folder removed meanwhile") << true;
    }
    void failedFinishLeavesNothing()
    {
        QFETCH(bool, removeFolder);
        QTemporaryDir folder;
        const QString templ = folder.filePath("template.xlsx");
        writeZip(templ, richTemplate());
        const QString outFolder = removeFolder ? folder.filePath("out") : folder.path();
        QVERIFY(QDir().mkpath(outFolder));
        const QString out = outFolder + "/report.xlsx";
        if (!removeFolder) {
            QFile earlier(out);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier export");
        }

        XlsxWriter w(templ, out);
        w.addRow({"a", 1});
        if (removeFolder)
            QVERIFY(QDir(outFolder).removeRecursively());
        else
            QVERIFY(QFile::resize(templ, 100));
        try {
            w.finish();
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains("could not be written"), qPrintable(e.message()));
        }
        if (removeFolder) {
            QVERIFY(!QFileInfo::exists(outFolder));
        } else {
            QFile earlier(out);
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier export"));
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"report.xlsx", "template.xlsx"}));
        }
        QVERIFY_THROWS_EXCEPTION(AppError, w.addRow({1}));
    }

    // A full disk, for the temporary sheet and for the archive itself.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("sheetOnFullDisk");
        QTest::newRow("archive on a full disk") << false;
        QTest::newRow("temporary sheet on a full disk") << true;
    }
    void fullDisk()
    {
        QFETCH(bool, sheetOnFullDisk);
        QTemporaryDir work;
        const QString small = work.filePath("small");
        QVERIFY(QDir().mkpath(small));
        if (geteuid() != 0 || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=128k", "tmpfs", small}) != 0)
            QSKIP("cannot mount a small file system here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {small}); });
        const QByteArray oldTmp = qgetenv("TMPDIR");
        const auto restoreTmp = qScopeGuard([&] { qputenv("TMPDIR", oldTmp); });
        if (sheetOnFullDisk)
            qputenv("TMPDIR", small.toLocal8Bit());
        const QString out = sheetOnFullDisk ? work.filePath("out.xlsx") : small + "/out.xlsx";

        try {
            XlsxWriter w(m_template, out);
            for (int i = 0; i < 50000; ++i)
                w.addRow({QStringLiteral("row %1 of a long export").arg(i), i, 1.5});
            w.finish();
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains("could not be written"), qPrintable(e.message()));
            QVERIFY2(e.message().contains("No space left"), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(small).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void writerIsSpentAfterFinish()
    {
        const QString out = newPath();
        XlsxWriter w(m_template, out);
        w.addRow({1});
        w.finish();
        QVERIFY_THROWS_EXCEPTION(AppError, w.addRow({2}));
        QVERIFY_THROWS_EXCEPTION(AppError, w.finish());
        QCOMPARE(firstSheet(out).cells.keys(), QStringList{"A1"});
    }

    void abandonedWriterWritesNothing()
    {
        const QString out = newPath();
        {
            XlsxWriter w(m_template, out);
            w.addRow({1});
        }
        QVERIFY(!QFile::exists(out));
    }

    void tooManyColumns()
    {
        XlsxWriter w(m_template, newPath());
        QVERIFY_THROWS_EXCEPTION(AppError, w.addRow(QVariantList(XlsxWriter::MaxColumns + 1, 1)));
    }

    // The output opens in a real spreadsheet program with the values shown
    // as written, survives being saved by it, and a workbook it saved works
    // as a template.
    void openedBySpreadsheetProgram()
    {
        QString soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty())
            soffice = QStandardPaths::findExecutable("libreoffice");
        if (soffice.isEmpty())
            QSKIP("LibreOffice is not installed");
        QElapsedTimer timer;
        timer.start();

        QTemporaryDir work;
        const QString profile = QUrl::fromLocalFile(work.filePath("profile")).toString();
        auto convert = [&](const QString& filter, const QString& outDir, const QStringList& files) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(soffice, QStringList{"-env:UserInstallation=" + profile, "--headless", "--norestore", "--convert-to",
                                         filter, "--outdir", outDir} +
                                 files);
            QVERIFY(p.waitForFinished(240000));
            QVERIFY2(p.exitCode() == 0, p.readAll().constData());
        };
        const QList<QVariantList> rows = {
            {"Project", QVariant(), "Day", "Start", "Hours", "Done", "Note"},
            {"Alpha", QVariant(), QDate(2009, 5, 1), QDateTime(QDate(2009, 5, 1), QTime(8, 30)), 1.5, true,
             QString::fromUtf8("a<b & \"c\", Ελληνικά")},
            {"Beta", QVariant(), QDate(1850, 1, 2), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)), 0.25, false,
             QVariant()},
            {"Gamma", QVariant(), QVariant(), QVariant(), 42, QVariant(), "  x  "},
        };
        const QStringList expected = {
            "Project,,Day,Start,Hours,Done,Note",
            QString::fromUtf8("Alpha,,2009-05-01,2009-05-01 08:30:00,1.5,TRUE,\"a<b & \"\"c\"\", Ελληνικά\""),
            "Beta,,1850-01-02,2024-02-29 23:59:59,0.25,FALSE,",
            "Gamma,,,,42,,  x  ",
        };
        auto writeInto = [&](const QString& templ, const QString& out) {
            XlsxWriter w(templ, out);
            w.addRow(rows[0], XlsxWriter::RowStyle::Bold);
            for (int i = 1; i < rows.size(); ++i)
                w.addRow(rows[i]);
            w.finish();
        };
        const QString ours = work.filePath("ours.xlsx");
        writeInto(m_template, ours);
        const QString rich = work.filePath("rich.xlsx");
        writeZip(work.filePath("rich-template.xlsx"), richTemplate());
        writeInto(work.filePath("rich-template.xlsx"), rich);

        convert("xlsx", work.filePath("saved"), {ours});
        const QString saved = work.filePath("saved/ours.xlsx");
        QVERIFY(QFile::exists(saved));
        QVERIFY(QFile::rename(saved, work.filePath("resaved.xlsx")));
        const QString refilled = work.filePath("refilled.xlsx");
        writeInto(work.filePath("resaved.xlsx"), refilled);

        convert("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", work.filePath("csv"),
                {ours, rich, work.filePath("resaved.xlsx"), refilled});
        for (const char* name : {"ours", "rich", "resaved", "refilled"}) {
            QFile csv(work.filePath(QStringLiteral("csv/%1.csv").arg(name)));
            QVERIFY2(csv.open(QIODevice::ReadOnly), name);
            const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines, expected);
        }
        qInfo("LibreOffice check took %lld ms", timer.elapsed());
    }
};

QTEST_GUILESS_MAIN(TestXlsxWorkbook)
#include "tst_XlsxWorkbook.moc"
