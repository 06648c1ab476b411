#include "toolkit/XlsxTemplate.h"

#include "toolkit/AppError.h"
#include "toolkit/XlsxXmlPart.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <map>
#include <set>

using namespace XlsxXml;

namespace {

const QString kMainNs = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString kStrictMainNs = QStringLiteral("http://purl.oclc.org/ooxml/spreadsheetml/main");
const QString kRelNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kStylesType = kRelNs + QStringLiteral("/styles");
const QString kStylesContentType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");

const QString kDateFormat = QStringLiteral("yyyy-mm-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-mm-dd hh:mm:ss");
const QString kTimeFormat = QStringLiteral("hh:mm:ss");

constexpr int kDeflateLevel = 1;

QString onlyXlsx(const QString& path, const QString& why)
{
    return QStringLiteral("Only .xlsx workbooks can be filled: %1 %2.").arg(QDir::toNativeSeparators(path), why);
}

QString zipErrorText(zip_error_t* error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

QString zipErrorText(zip_t* archive)
{
    return zipErrorText(zip_get_error(archive));
}


const char* const kMinimalStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"2\">"
    "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "</fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "<dxfs count=\"0\"/><tableStyles count=\"0\"/>"
    "</styleSheet>";

// Owns an open archive.
struct ZipArchive
{
    zip_t* handle = nullptr;
    ~ZipArchive()
    {
        if (handle)
            zip_discard(handle);
    }
};

// The column (0 is A) of a cell reference such as "AB12"; -1 when it has none.
int columnOfReference(const QString& ref)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && i < 3; ++i) {
        const char16_t u = ref[i].toUpper().unicode();
        if (u < 'A' || u > 'Z')
            break;
        column = column * 26 + (u - 'A' + 1);
    }
    return i == 0 ? -1 : column - 1;
}

} // namespace

struct XlsxTemplate::Private
{
    QString path;
    ZipArchive source;
    QString sheetName;
    QString sheetPart;
    zip_int64_t sheetIndex = -1;
    zip_int64_t calcChainIndex = -1;
    bool date1904 = false;

    // Parts written in place of (or in addition to) the template's.
    std::map<zip_int64_t, QByteArray> replaced;
    std::vector<std::pair<QString, QByteArray>> added;

    QByteArray sheetHead;
    QByteArray sheetTail;
    qsizetype dimensionAt = -1;
    QString dimensionTag;
    QString prefix;
    QString sheetDataTag;
    std::vector<Row> rows;
    Extent extent;
    std::set<int> usedStyles; // by the template's cells

    StyleSet plainStyles;
    std::map<int, StyleSet> keptStyles; // by template style

    QString shown() const { return QDir::toNativeSeparators(path); }
    QByteArray readEntry(zip_int64_t index, const QString& name) const;
    zip_int64_t locate(const QString& name) const;
    void open();
    void prepareWorkbook(zip_int64_t workbookIndex, const XmlPart& workbook);
    void prepareSheet(const QByteArray& data);
    void readRows(const XmlPart& sheet, int sheetData);
    void prepareStyles(zip_int64_t stylesIndex, const QString& stylesPart, XmlPart& contentTypes,
                       std::vector<Edit>& contentEdits, XmlPart& rels, std::vector<Edit>& relsEdits);
};


QByteArray XlsxTemplate::Private::readEntry(zip_int64_t index, const QString& name) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(source.handle, zip_uint64_t(index), 0, &st) != 0)
        throw AppError(QStringLiteral("The workbook %1 could not be read: %2 (%3).")
                           .arg(shown(), name, zipErrorText(source.handle)));
    zip_file_t* file = zip_fopen_index(source.handle, zip_uint64_t(index), 0);
    if (!file)
        throw AppError(QStringLiteral("The workbook %1 could not be read: %2 (%3).")
                           .arg(shown(), name, zipErrorText(source.handle)));
    QByteArray data;
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
        data.append(buffer, qsizetype(n));
    const bool failed = n < 0;
    const QString why = failed ? zipErrorText(zip_file_get_error(file)) : QString();
    zip_fclose(file);
    if (failed)
        throw AppError(QStringLiteral("The workbook %1 is damaged: %2 (%3).")
                           .arg(shown(), name, why));
    return data;
}

zip_int64_t XlsxTemplate::Private::locate(const QString& name) const
{
    // Part names in a package are case-insensitive.
    return zip_name_locate(source.handle, name.toUtf8().constData(), ZIP_FL_NOCASE);
}

void XlsxTemplate::Private::open()
{
    const QString shown = QDir::toNativeSeparators(path);
    QFileInfo info(path);
    if (!info.exists())
        throw AppError(QStringLiteral("The workbook template %1 does not exist.").arg(shown));
    if (info.isDir())
        throw AppError(QStringLiteral("The workbook template %1 is a folder, not a file.").arg(shown));

    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("The workbook template %1 cannot be read: %2.").arg(shown, probe.errorString()));
    const QByteArray magic = probe.read(8);
    probe.close();
    // Old binary workbooks and password-protected ones are compound files.
    if (magic == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        throw AppError(onlyXlsx(path, QStringLiteral("is an older binary (.xls) or encrypted workbook")));
    if (!magic.startsWith("PK"))
        throw AppError(onlyXlsx(path, QStringLiteral("is not a workbook (it is no zip archive)")));

    int errorCode = 0;
    source.handle = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &errorCode);
    if (!source.handle) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        throw AppError(onlyXlsx(path, QStringLiteral("is not a readable zip archive (%1)").arg(why)));
    }

    // The package's relationships name the workbook part.
    const zip_int64_t rootRelsIndex = locate(QStringLiteral("_rels/.rels"));
    const zip_int64_t typesIndex = locate(QStringLiteral("[Content_Types].xml"));
    if (rootRelsIndex < 0 || typesIndex < 0)
        throw AppError(onlyXlsx(path, QStringLiteral("is a zip archive but no Office Open XML package")));
    const XmlPart rootRels = parseXml(QStringLiteral("_rels/.rels"), readEntry(rootRelsIndex, "_rels/.rels"), 2, path);
    QString workbookPart;
    for (int r : rootRels.childrenOf(0, QStringLiteral("Relationship")))
        if (rootRels.spans[size_t(r)].attribute(QStringLiteral("Type")).endsWith(QLatin1String("/officeDocument")))
            workbookPart = resolvePartName(QString(), rootRels.spans[size_t(r)].attribute(QStringLiteral("Target")));
    const zip_int64_t workbookIndex = workbookPart.isEmpty() ? -1 : locate(workbookPart);
    if (workbookIndex < 0 || !workbookPart.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        throw AppError(onlyXlsx(path, QStringLiteral("holds no spreadsheet workbook in XML form")));

    const XmlPart workbook = parseXml(workbookPart, readEntry(workbookIndex, workbookPart), 3, path);
    if (workbook.spans[0].name != QLatin1String("workbook") ||
        (workbook.rootNamespace != kMainNs && workbook.rootNamespace != kStrictMainNs))
        throw AppError(onlyXlsx(path, QStringLiteral("is an Office document but no spreadsheet workbook")));

    const int workbookPr = workbook.find(QStringLiteral("workbookPr"), 0);
    if (workbookPr >= 0) {
        const QString v = workbook.spans[size_t(workbookPr)].attribute(QStringLiteral("date1904"));
        date1904 = v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    prepareWorkbook(workbookIndex, workbook);
    const int sheets = workbook.find(QStringLiteral("sheets"), 0);
    const std::vector<int> sheetList = sheets < 0 ? std::vector<int>() : workbook.childrenOf(sheets, QStringLiteral("sheet"));
    if (sheetList.empty())
        throw AppError(QStringLiteral("The workbook %1 has no sheets.").arg(shown));
    const Span& first = workbook.spans[size_t(sheetList.front())];
    sheetName = first.attribute(QStringLiteral("name"));
    QString relId;
    for (const QXmlStreamAttribute& a : first.attributes)
        if (a.name() == QLatin1String("id") && a.namespaceUri().endsWith(QLatin1String("/relationships")))
            relId = a.value().toString();

    const QString workbookRelsPart = relsPartFor(workbookPart);
    const zip_int64_t workbookRelsIndex = locate(workbookRelsPart);
    if (workbookRelsIndex < 0)
        throw AppError(QStringLiteral("The workbook %1 is damaged: the part %2 is missing.").arg(shown, workbookRelsPart));
    XmlPart rels = parseXml(workbookRelsPart, readEntry(workbookRelsIndex, workbookRelsPart), 2, path);
    XmlPart contentTypes =
        parseXml(QStringLiteral("[Content_Types].xml"), readEntry(typesIndex, "[Content_Types].xml"), 2, path);
    std::vector<Edit> relsEdits, contentEdits;

    QString stylesPart;
    int stylesRel = -1;
    for (int r : rels.childrenOf(0, QStringLiteral("Relationship"))) {
        const Span& rel = rels.spans[size_t(r)];
        const QString type = rel.attribute(QStringLiteral("Type"));
        const QString target = rel.attribute(QStringLiteral("Target"));
        if (rel.attribute(QStringLiteral("Id")) == relId) {
            if (!type.endsWith(QLatin1String("/worksheet")))
                throw AppError(QStringLiteral("The first sheet \"%1\" of %2 is not a worksheet and cannot be filled.")
                                   .arg(sheetName, shown));
            sheetPart = resolvePartName(workbookPart, target);
        } else if (type.endsWith(QLatin1String("/styles"))) {
            stylesPart = resolvePartName(workbookPart, target);
            stylesRel = r;
        } else if (type.endsWith(QLatin1String("/calcChain"))) {
            // The chain lists the formula cells of every sheet; those of the
            // first sheet are about to go, and a chain naming missing
            // formulas makes the workbook need repair. It is rebuilt on load.
            const QString part = resolvePartName(workbookPart, target);
            calcChainIndex = locate(part);
            relsEdits.push_back({rel.start, rel.end - rel.start, QString()});
            for (int o : contentTypes.childrenOf(0, QStringLiteral("Override")))
                if (contentTypes.spans[size_t(o)].attribute(QStringLiteral("PartName")).compare(
                        QLatin1Char('/') + part, Qt::CaseInsensitive) == 0)
                    contentEdits.push_back({contentTypes.spans[size_t(o)].start,
                                            contentTypes.spans[size_t(o)].end - contentTypes.spans[size_t(o)].start,
                                            QString()});
        }
    }
    sheetIndex = sheetPart.isEmpty() ? -1 : locate(sheetPart);
    if (sheetIndex < 0)
        throw AppError(QStringLiteral("The workbook %1 is damaged: its first sheet \"%2\" is missing.").arg(shown, sheetName));
    prepareSheet(readEntry(sheetIndex, sheetPart));

    const zip_int64_t stylesIndex = stylesPart.isEmpty() ? -1 : locate(stylesPart);
    if (stylesIndex < 0) {
        stylesPart = resolvePartName(workbookPart, QStringLiteral("styles.xml"));
        if (stylesRel >= 0 || locate(stylesPart) >= 0)
            throw AppError(QStringLiteral("The workbook %1 is damaged: its style sheet is missing.").arg(shown));
    }
    prepareStyles(stylesIndex, stylesPart, contentTypes, contentEdits, rels, relsEdits);

    if (!relsEdits.empty())
        replaced[workbookRelsIndex] = applyEdits(rels.text, relsEdits).toUtf8();
    if (!contentEdits.empty())
        replaced[typesIndex] = applyEdits(contentTypes.text, contentEdits).toUtf8();
}

// Formulas elsewhere may refer to the filled cells, and their stored results
// are those of the template: the workbook asks to be recalculated on load.
void XlsxTemplate::Private::prepareWorkbook(zip_int64_t workbookIndex, const XmlPart& workbook)
{
    const int calcPr = workbook.find(QStringLiteral("calcPr"), 0);
    std::vector<Edit> edits;
    if (calcPr >= 0) {
        const Span& s = workbook.spans[size_t(calcPr)];
        if (s.attribute(QStringLiteral("fullCalcOnLoad")) == QLatin1String("1"))
            return;
        QString tag = QLatin1Char('<') + s.qualifiedName;
        for (const QXmlStreamAttribute& a : s.attributes)
            if (a.qualifiedName() != QLatin1String("fullCalcOnLoad"))
                tag += QStringLiteral(" %1=\"%2\"").arg(a.qualifiedName().toString(), xmlAttr(a.value().toString()));
        tag += QStringLiteral(" fullCalcOnLoad=\"1\"");
        tag += s.selfClosing() ? QStringLiteral("/>") : QStringLiteral(">");
        edits.push_back({s.start, s.startTagEnd - s.start, tag});
    } else {
        // calcPr comes after the defined names and before everything that
        // may follow them.
        static const char* const later[] = {"oleSize",       "customWorkbookViews", "pivotCaches",
                                            "smartTagPr",    "smartTagTypes",       "webPublishing",
                                            "fileRecoveryPr", "webPublishObjects",  "extLst"};
        qsizetype at = workbook.endTagStart(0);
        for (const char* name : later) {
            const int found = workbook.find(QLatin1String(name), 0);
            if (found >= 0)
                at = std::min(at, workbook.spans[size_t(found)].start);
        }
        edits.push_back({at, 0, QStringLiteral("<%1calcPr fullCalcOnLoad=\"1\"/>").arg(workbook.spans[0].prefix())});
    }
    replaced[workbookIndex] = applyEdits(workbook.text, edits).toUtf8();
}

void XlsxTemplate::Private::prepareSheet(const QByteArray& data)
{
    // Down to the cells: worksheet, sheetData, row, c.
    const XmlPart sheet = parseXml(sheetPart, data, 4, path);
    if (sheet.spans[0].name != QLatin1String("worksheet"))
        throw AppError(QStringLiteral("The first sheet \"%1\" of %2 is not a worksheet and cannot be filled.")
                           .arg(sheetName, shown()));
    const int sheetData = sheet.find(QStringLiteral("sheetData"), 0);
    if (sheetData < 0)
        throw AppError(QStringLiteral("The workbook %1 is damaged: its first sheet has no cell data.").arg(shown()));
    const Span& sd = sheet.spans[size_t(sheetData)];
    prefix = sd.prefix();
    sheetDataTag = sd.qualifiedName;
    readRows(sheet, sheetData);

    QString head = sheet.text.left(sd.start);
    QString tail = sheet.text.mid(sd.end);
    const int dimension = sheet.find(QStringLiteral("dimension"), 0);
    if (dimension >= 0) {
        const Span& dim = sheet.spans[size_t(dimension)];
        if (dim.start < sd.start) {
            dimensionTag = dim.qualifiedName;
            head.remove(dim.start, dim.end - dim.start);
            dimensionAt = head.left(dim.start).toUtf8().size();
        } else {
            tail.remove(dim.start - sd.end, dim.end - dim.start);
        }
    }
    sheetHead = head.toUtf8();
    sheetTail = tail.toUtf8();
}

void XlsxTemplate::Private::readRows(const XmlPart& sheet, int sheetData)
{
    // One pass over the elements: each row is followed by its cells.
    qint64 lastRow = 0;
    int rowSpan = -1;
    int lastColumn = -1;
    for (size_t i = 0; i < sheet.spans.size(); ++i) {
        const Span& span = sheet.spans[i];
        if (span.parent == sheetData && span.name == QLatin1String("row")) {
            Row row;
            // Numbers may be left out; then a row follows the one before.
            const QString number = span.attribute(QStringLiteral("r"));
            row.number = number.isEmpty() ? lastRow + 1 : number.toLongLong();
            if (row.number <= lastRow)
                throw AppError(
                    QStringLiteral("The workbook %1 is damaged: the rows of its first sheet are out of order.")
                        .arg(shown()));
            lastRow = row.number;
            for (const QXmlStreamAttribute& a : span.attributes) {
                const QStringView name = a.qualifiedName();
                if (name != QLatin1String("r") && name != QLatin1String("spans"))
                    row.attributes.emplace_back(name.toString(), a.value().toString());
            }
            rows.push_back(std::move(row));
            rowSpan = int(i);
            lastColumn = -1;
            continue;
        }
        if (rowSpan < 0 || span.parent != rowSpan || span.name != QLatin1String("c"))
            continue;
        Row& row = rows.back();
        Cell cell;
        const QString ref = span.attribute(QStringLiteral("r"));
        cell.column = ref.isEmpty() ? lastColumn + 1 : columnOfReference(ref);
        if (cell.column <= lastColumn)
            throw AppError(
                QStringLiteral("The workbook %1 is damaged: the cells of row %2 of its first sheet are out of order.")
                    .arg(shown())
                    .arg(row.number));
        lastColumn = cell.column;
        cell.style = span.attribute(QStringLiteral("s")).toInt();
        cell.xml = sheet.raw(int(i));
        if (ref.isEmpty()) // written with its reference, as cells may come before it
            cell.xml.insert(1 + span.qualifiedName.size(),
                            QStringLiteral(" r=\"%1%2\"").arg(columnName(cell.column)).arg(row.number));
        if (cell.style > 0)
            usedStyles.insert(cell.style);
        if (extent.minColumn < 0 || cell.column < extent.minColumn)
            extent.minColumn = cell.column;
        extent.maxColumn = std::max(extent.maxColumn, cell.column);
        if (extent.minRow < 0)
            extent.minRow = row.number;
        extent.maxRow = row.number;
        row.cells.push_back(std::move(cell));
    }
}

// ---------------------------------------------------------------------------

XlsxTemplate::XlsxTemplate(const QString& path)
    : d(std::make_unique<Private>())
{
    d->path = path;
    d->open();
}

XlsxTemplate::~XlsxTemplate() = default;

QString XlsxTemplate::sheetName() const
{
    return d->sheetName;
}

bool XlsxTemplate::date1904() const
{
    return d->date1904;
}

const QByteArray& XlsxTemplate::sheetHead() const
{
    return d->sheetHead;
}

const QByteArray& XlsxTemplate::sheetTail() const
{
    return d->sheetTail;
}

qsizetype XlsxTemplate::dimensionAt() const
{
    return d->dimensionAt;
}

QString XlsxTemplate::dimensionTag() const
{
    return d->dimensionTag;
}

QString XlsxTemplate::prefix() const
{
    return d->prefix;
}

QString XlsxTemplate::sheetDataTag() const
{
    return d->sheetDataTag;
}

const std::vector<XlsxTemplate::Row>& XlsxTemplate::rows() const
{
    return d->rows;
}

XlsxTemplate::Extent XlsxTemplate::extent() const
{
    return d->extent;
}

const XlsxTemplate::StyleSet& XlsxTemplate::styles(int templateStyle) const
{
    if (templateStyle > 0)
        if (auto it = d->keptStyles.find(templateStyle); it != d->keptStyles.end())
            return it->second;
    return d->plainStyles;
}

void XlsxTemplate::Private::prepareStyles(zip_int64_t stylesIndex, const QString& stylesPart,
                                        XmlPart& contentTypes, std::vector<Edit>& contentEdits, XmlPart& rels,
                                        std::vector<Edit>& relsEdits)
{
    XmlPart styles;
    int root = 0, numFmts = -1, fonts = -1, cellXfs = -1;
    auto loadStyles = [&](const QByteArray& data) {
        styles = parseXml(stylesPart, data, 3, path);
        numFmts = styles.find(QStringLiteral("numFmts"), root);
        fonts = styles.find(QStringLiteral("fonts"), root);
        cellXfs = styles.find(QStringLiteral("cellXfs"), root);
    };
    bool usable = false;
    if (stylesIndex >= 0) {
        loadStyles(readEntry(stylesIndex, stylesPart));
        usable = !styles.spans[0].selfClosing() && fonts >= 0 && cellXfs >= 0 && styles.spans[size_t(fonts)].children > 0 &&
                 styles.spans[size_t(cellXfs)].children > 0;
    }
    if (!usable) {
        // A style sheet without fonts or cell formats cannot be extended;
        // the workbook's cells can only have used the defaults anyway.
        loadStyles(QByteArray(kMinimalStyles));
    }
    if (stylesIndex < 0) {
        const Span& typesRoot = contentTypes.spans[0];
        if (typesRoot.selfClosing())
            throw AppError(onlyXlsx(path, QStringLiteral("has an empty content type list")));
        contentEdits.push_back({contentTypes.endTagStart(0), 0,
                                QStringLiteral("<%1Override PartName=\"/%2\" ContentType=\"%3\"/>")
                                    .arg(typesRoot.prefix(), xmlAttr(stylesPart), kStylesContentType)});
        QString id = QStringLiteral("rIdStyles");
        for (int n = 1; rels.text.contains(QStringLiteral("\"%1\"").arg(id)); ++n)
            id = QStringLiteral("rIdStyles%1").arg(n);
        // Not empty: it names the first sheet.
        const Span& relsRoot = rels.spans[0];
        relsEdits.push_back({rels.endTagStart(0), 0,
                             QStringLiteral("<%1Relationship Id=\"%2\" Type=\"%3\" Target=\"styles.xml\"/>")
                                 .arg(relsRoot.prefix(), id, kStylesType)});
    }

    std::vector<Edit> edits;
    const QString p = styles.spans[0].prefix();

    // Number formats: ours get ids above every id the template uses.
    int nextId = 164;
    QString existingFormats;
    int formatCount = 0;
    if (numFmts >= 0) {
        for (int f : styles.childrenOf(numFmts, QStringLiteral("numFmt")))
            nextId = std::max(nextId, styles.spans[size_t(f)].attribute(QStringLiteral("numFmtId")).toInt() + 1);
        existingFormats = styles.inner(numFmts);
        formatCount = styles.spans[size_t(numFmts)].children;
    }
    const int dateFmt = nextId, dateTimeFmt = nextId + 1, timeFmt = nextId + 2;
    QString formats;
    const std::initializer_list<std::pair<int, QString>> ours = {
        {dateFmt, kDateFormat}, {dateTimeFmt, kDateTimeFormat}, {timeFmt, kTimeFormat}};
    for (const auto& [id, code] : ours)
        formats += QStringLiteral("<%1numFmt numFmtId=\"%2\" formatCode=\"%3\"/>").arg(p).arg(id).arg(xmlAttr(code));
    const QString numFmtsElement = QStringLiteral("<%1numFmts count=\"%2\">%3%4</%1numFmts>")
                                       .arg(p)
                                       .arg(formatCount + 3)
                                       .arg(existingFormats, formats);
    if (numFmts >= 0) {
        const Span& s = styles.spans[size_t(numFmts)];
        edits.push_back({s.start, s.end - s.start, numFmtsElement});
    } else {
        edits.push_back({styles.spans[0].startTagEnd, 0, numFmtsElement});
    }

    // Bold fonts: a font of the template with <b/> added, made once for
    // each font a bold cell needs (the default font, and those of the kept
    // cell styles), unless it is bold already.
    const Span& fontsSpan = styles.spans[size_t(fonts)];
    const std::vector<int> fontList = styles.childrenOf(fonts, QStringLiteral("font"));
    int fontCount = fontsSpan.children;
    QString newFonts;
    std::map<int, int> boldFonts;
    auto boldFontFor = [&](int font) {
        if (auto it = boldFonts.find(font); it != boldFonts.end())
            return it->second;
        int bold = -1;
        if (font >= 0 && size_t(font) < fontList.size()) {
            const Span& f = styles.spans[size_t(fontList[size_t(font)])];
            const QString inner = styles.inner(fontList[size_t(font)]);
            const QString b = f.prefix() + QLatin1Char('b');
            if (inner.contains(QLatin1Char('<') + b + QLatin1String("/>")) ||
                inner.contains(QLatin1Char('<') + b + QLatin1Char(' ')))
                bold = font;
            else
                newFonts += QStringLiteral("<%1><%2/>%3</%1>").arg(f.qualifiedName, b, inner);
        } else {
            newFonts += QStringLiteral("<%1font><%1b/></%1font>").arg(p);
        }
        if (bold < 0)
            bold = fontCount++;
        boldFonts[font] = bold;
        return bold;
    };

    // Cell formats: plain and bold variants of date, date-time, time and
    // general, on the defaults and on each style the template's cells use.
    const Span& xfsSpan = styles.spans[size_t(cellXfs)];
    const std::vector<int> xfList = styles.childrenOf(cellXfs, QStringLiteral("xf"));
    const bool haveStyleXfs = styles.find(QStringLiteral("cellStyleXfs"), root) >= 0;
    int xfCount = xfsSpan.children;
    QString xfs;
    auto addXf = [&](int numFmtId, bool bold) {
        xfs += QStringLiteral("<%1xf numFmtId=\"%2\" fontId=\"%3\" fillId=\"0\" borderId=\"0\"%4%5%6/>")
                   .arg(p)
                   .arg(numFmtId)
                   .arg(bold ? boldFontFor(0) : 0)
                   .arg(haveStyleXfs ? QStringLiteral(" xfId=\"0\"") : QString(),
                        numFmtId ? QStringLiteral(" applyNumberFormat=\"1\"") : QString(),
                        bold ? QStringLiteral(" applyFont=\"1\"") : QString());
        return xfCount++;
    };
    // A copy of the template's format `base` with another number format
    // (0: its own) and, when bold, its font in bold.
    auto addVariant = [&](int base, int numFmtId, bool bold) {
        const Span& xf = styles.spans[size_t(xfList[size_t(base)])];
        QString tag = QLatin1Char('<') + xf.qualifiedName;
        for (const QXmlStreamAttribute& a : xf.attributes) {
            const QStringView name = a.qualifiedName();
            if ((numFmtId && (name == QLatin1String("numFmtId") || name == QLatin1String("applyNumberFormat"))) ||
                (bold && (name == QLatin1String("fontId") || name == QLatin1String("applyFont"))))
                continue;
            tag += QStringLiteral(" %1=\"%2\"").arg(name.toString(), xmlAttr(a.value().toString()));
        }
        if (numFmtId)
            tag += QStringLiteral(" numFmtId=\"%1\" applyNumberFormat=\"1\"").arg(numFmtId);
        if (bold)
            tag += QStringLiteral(" fontId=\"%1\" applyFont=\"1\"")
                       .arg(boldFontFor(xf.attribute(QStringLiteral("fontId")).toInt()));
        const QString inner = styles.inner(xfList[size_t(base)]);
        xfs += inner.isEmpty() ? tag + QStringLiteral("/>") : tag + QLatin1Char('>') + inner +
                                                                  QStringLiteral("</%1>").arg(xf.qualifiedName);
        return xfCount++;
    };
    for (int bold = 0; bold < 2; ++bold) {
        plainStyles.date[bold] = addXf(dateFmt, bold);
        plainStyles.dateTime[bold] = addXf(dateTimeFmt, bold);
        plainStyles.time[bold] = addXf(timeFmt, bold);
    }
    plainStyles.general[0] = 0;
    plainStyles.general[1] = addXf(0, true);
    if (usable) {
        for (int style : usedStyles) {
            if (style <= 0 || size_t(style) >= xfList.size())
                continue;
            StyleSet set;
            set.general[0] = style;
            set.general[1] = addVariant(style, 0, true);
            for (int bold = 0; bold < 2; ++bold) {
                set.date[bold] = addVariant(style, dateFmt, bold);
                set.dateTime[bold] = addVariant(style, dateTimeFmt, bold);
                set.time[bold] = addVariant(style, timeFmt, bold);
            }
            keptStyles[style] = set;
        }
    }
    edits.push_back({fontsSpan.start, fontsSpan.end - fontsSpan.start,
                     QStringLiteral("<%1 count=\"%2\">%3%4</%1>")
                         .arg(fontsSpan.qualifiedName)
                         .arg(fontCount)
                         .arg(styles.inner(fonts), newFonts)});
    edits.push_back({xfsSpan.start, xfsSpan.end - xfsSpan.start,
                     QStringLiteral("<%1 count=\"%2\">%3%4</%1>")
                         .arg(xfsSpan.qualifiedName)
                         .arg(xfCount)
                         .arg(styles.inner(cellXfs), xfs)});

    const QByteArray result = applyEdits(styles.text, edits).toUtf8();
    if (stylesIndex >= 0)
        replaced[stylesIndex] = result;
    else
        added.emplace_back(stylesPart, result);
}

void XlsxTemplate::writePackage(const QString& outputPath, const QString& sheetFile) const
{
    const QString shown = QDir::toNativeSeparators(outputPath);
    int errorCode = 0;
    // libzip writes the archive to a temporary file beside the output and
    // renames it only once it is complete.
    ZipArchive out;
    out.handle = zip_open(QFile::encodeName(outputPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &errorCode);
    if (!out.handle) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        throw AppError(QStringLiteral("The workbook %1 could not be written: %2.").arg(shown, why));
    }
    auto fail = [&](const QString& what) {
        throw AppError(QStringLiteral("The workbook %1 could not be written: %2 (%3).").arg(shown, what, zipErrorText(out.handle)));
    };
    auto addSource = [&](const QByteArray& name, zip_source_t* src, bool compress) {
        if (!src)
            fail(QString::fromUtf8(name));
        const zip_int64_t index = zip_file_add(out.handle, name.constData(), src, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(src);
            fail(QString::fromUtf8(name));
        }
        if (compress && zip_set_file_compression(out.handle, zip_uint64_t(index), ZIP_CM_DEFLATE, kDeflateLevel) != 0)
            fail(QString::fromUtf8(name));
    };

    const zip_int64_t count = zip_get_num_entries(d->source.handle, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (i == d->calcChainIndex)
            continue;
        const char* rawName = zip_get_name(d->source.handle, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!rawName)
            fail(QStringLiteral("entry %1").arg(i));
        const QByteArray name(rawName);
        if (name.endsWith('/')) {
            if (zip_dir_add(out.handle, rawName, ZIP_FL_ENC_GUESS) < 0)
                fail(QString::fromUtf8(name));
        } else if (i == d->sheetIndex) {
            addSource(name, zip_source_file(out.handle, QFile::encodeName(sheetFile).constData(), 0, -1), true);
        } else if (auto it = d->replaced.find(i); it != d->replaced.end()) {
            addSource(name, zip_source_buffer(out.handle, it->second.constData(), zip_uint64_t(it->second.size()), 0), true);
        } else {
            // Copied as stored: no decompression, no recompression.
            addSource(name, zip_source_zip(out.handle, d->source.handle, zip_uint64_t(i), ZIP_FL_COMPRESSED, 0, -1), false);
        }
    }
    for (const auto& [name, data] : d->added)
        addSource(name.toUtf8(), zip_source_buffer(out.handle, data.constData(), zip_uint64_t(data.size()), 0), true);

    if (zip_close(out.handle) != 0)
        fail(QStringLiteral("the archive could not be saved"));
    out.handle = nullptr;
}

void XlsxTemplate::createEmpty(const QString& path, const QString& sheetName)
{
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    const bool badName = sheetName.isEmpty() || sheetName.size() > 31 || sheetName.startsWith(QLatin1Char('\'')) ||
                         sheetName.endsWith(QLatin1Char('\'')) ||
                         std::any_of(sheetName.begin(), sheetName.end(), [](QChar c) { return forbidden.contains(c); });
    if (badName)
        throw AppError(QStringLiteral("\"%1\" cannot name a sheet: it needs 1 to 31 characters, none of []:*?/\\, "
                                      "and must not begin or end with an apostrophe.")
                           .arg(sheetName));

    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("The workbook %1 cannot be written: the folder %2 does not exist.")
                           .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(folder)));

    const QByteArray decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const std::vector<std::pair<const char*, QByteArray>> parts = {
        {"[Content_Types].xml",
         decl + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "<Override PartName=\"/xl/styles.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                "</Types>"},
        {"_rels/.rels",
         decl + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                "Target=\"xl/workbook.xml\"/>"
                "</Relationships>"},
        {"xl/workbook.xml",
         decl + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<bookViews><workbookView/></bookViews>"
                "<sheets><sheet name=\"" +
             xmlAttr(sheetName).toUtf8() +
             "\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
             "</workbook>"},
        {"xl/_rels/workbook.xml.rels",
         decl + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                "Target=\"worksheets/sheet1.xml\"/>"
                "<Relationship Id=\"rId2\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                "Target=\"styles.xml\"/>"
                "</Relationships>"},
        {"xl/worksheets/sheet1.xml",
         decl + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<dimension ref=\"A1\"/>"
                // The title row stays in view while scrolling.
                "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">"
                "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
                "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/>"
                "</sheetView></sheetViews>"
                "<sheetFormatPr defaultRowHeight=\"15\"/>"
                "<sheetData/>"
                "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
                "</worksheet>"},
        {"xl/styles.xml", QByteArray(kMinimalStyles)},
    };

    ZipArchive out;
    int errorCode = 0;
    out.handle = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &errorCode);
    auto fail = [&](const QString& why) {
        throw AppError(QStringLiteral("The workbook %1 could not be written: %2.").arg(QDir::toNativeSeparators(path), why));
    };
    if (!out.handle) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        fail(why);
    }
    // A fixed time stamp keeps the file the same from one build to the next.
    const time_t stamp = QDateTime(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(out.handle, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t index = src ? zip_file_add(out.handle, name, src, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (src)
                zip_source_free(src);
            fail(zipErrorText(out.handle));
        }
        zip_set_file_compression(out.handle, zip_uint64_t(index), ZIP_CM_DEFLATE, 9);
        zip_file_set_mtime(out.handle, zip_uint64_t(index), stamp, 0);
    }
    if (zip_close(out.handle) != 0)
        fail(zipErrorText(out.handle));
    out.handle = nullptr;
}
