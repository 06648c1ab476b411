#include "toolkit/XlsxWorkbook.h"

#include "toolkit/AppError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QTemporaryFile>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

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

// A dimension reference never needs more than this ("A1:XFD1048576").
constexpr int kDimensionWidth = 13;
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

// ---------------------------------------------------------------------------
// Where the elements of a part are, so that it can be edited by splicing its
// text: re-serialising would rename namespace prefixes that attributes such
// as mc:Ignorable refer to by name.

struct Span
{
    QString qualifiedName;
    QString name;
    QXmlStreamAttributes attributes;
    qsizetype start = -1;       // the '<' of the start tag
    qsizetype startTagEnd = -1; // just after the start tag's '>'
    qsizetype end = -1;         // just after the end tag (== startTagEnd when self-closing)
    int depth = 0;              // the root is 1
    int parent = -1;
    int children = 0;

    bool selfClosing() const { return end == startTagEnd; }
    QString prefix() const
    {
        const qsizetype colon = qualifiedName.indexOf(QLatin1Char(':'));
        return colon < 0 ? QString() : qualifiedName.left(colon + 1);
    }
    QString attribute(const QString& attr) const { return attributes.value(attr).toString(); }
};

struct XmlPart
{
    QString name;
    QString text;
    QString rootNamespace;
    std::vector<Span> spans;

    // First element named `local` whose parent is `parent` (-1: any), or -1.
    int find(const QString& local, int parent = -1) const
    {
        for (size_t i = 0; i < spans.size(); ++i)
            if (spans[i].name == local && (parent < 0 || spans[i].parent == parent))
                return int(i);
        return -1;
    }
    std::vector<int> childrenOf(int parent, const QString& local) const
    {
        std::vector<int> found;
        for (size_t i = 0; i < spans.size(); ++i)
            if (spans[i].parent == parent && spans[i].name == local)
                found.push_back(int(i));
        return found;
    }
    QString raw(int index) const
    {
        const Span& s = spans[size_t(index)];
        return text.mid(s.start, s.end - s.start);
    }
    QString inner(int index) const
    {
        const Span& s = spans[size_t(index)];
        if (s.selfClosing())
            return QString();
        return text.mid(s.startTagEnd, endTagStart(index) - s.startTagEnd);
    }
    // Where a new last child of `index` goes: before its end tag.
    qsizetype endTagStart(int index) const
    {
        const Span& s = spans[size_t(index)];
        return text.lastIndexOf(QLatin1Char('<'), s.end - 1);
    }
};

QString decodeXml(const QByteArray& data)
{
    QString text;
    if (auto encoding = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*encoding);
        text = decoder(data);
    } else {
        text = QString::fromUtf8(data);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // The part is written back as UTF-8, so a declaration naming another
    // encoding must not survive.
    if (text.startsWith(QLatin1String("<?xml"))) {
        const qsizetype close = text.indexOf(QLatin1String("?>"));
        const QString declaration = text.left(close + 2);
        if (close > 0 && declaration.contains(QLatin1String("encoding"), Qt::CaseInsensitive) &&
            !declaration.contains(QLatin1String("utf-8"), Qt::CaseInsensitive))
            text.replace(0, close + 2, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    }
    return text;
}

XmlPart parseXml(const QString& partName, const QByteArray& data, int maxDepth, const QString& workbookPath)
{
    XmlPart part;
    part.name = partName;
    part.text = decodeXml(data);

    QXmlStreamReader reader(part.text);
    std::vector<int> open; // span index per depth, -1 when deeper than recorded
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const int depth = int(open.size()) + 1;
            const int parent = open.empty() ? -1 : open.back();
            if (depth == 1)
                part.rootNamespace = reader.namespaceUri().toString();
            if (parent >= 0)
                ++part.spans[size_t(parent)].children;
            if (depth > maxDepth) {
                open.push_back(-1);
                continue;
            }
            Span span;
            span.qualifiedName = reader.qualifiedName().toString();
            span.name = reader.name().toString();
            span.attributes = reader.attributes();
            span.startTagEnd = reader.characterOffset();
            span.start = part.text.lastIndexOf(QLatin1Char('<'), span.startTagEnd - 1);
            span.depth = depth;
            span.parent = parent;
            if (span.start < 0 || part.text.mid(span.start + 1, span.qualifiedName.size()) != span.qualifiedName)
                throw AppError(QStringLiteral("The workbook %1 could not be read: the part %2 is not laid out as expected.")
                                   .arg(QDir::toNativeSeparators(workbookPath), partName));
            part.spans.push_back(span);
            open.push_back(int(part.spans.size()) - 1);
        } else if (token == QXmlStreamReader::EndElement) {
            if (!open.empty() && open.back() >= 0)
                part.spans[size_t(open.back())].end = reader.characterOffset();
            if (!open.empty())
                open.pop_back();
        }
    }
    if (reader.hasError())
        throw AppError(QStringLiteral("The workbook %1 is damaged: the part %2 is not valid XML (%3, line %4).")
                           .arg(QDir::toNativeSeparators(workbookPath), partName, reader.errorString())
                           .arg(reader.lineNumber()));
    if (part.spans.empty())
        throw AppError(QStringLiteral("The workbook %1 is damaged: the part %2 is empty.")
                           .arg(QDir::toNativeSeparators(workbookPath), partName));
    return part;
}

// A text edit: `length` characters at `position` become `replacement`.
struct Edit
{
    qsizetype position;
    qsizetype length;
    QString replacement;
};

QString applyEdits(QString text, std::vector<Edit> edits)
{
    // From the end backwards, so that earlier positions stay valid; at one
    // position the replacement goes first, so that an insertion there ends
    // up in front of the replaced text instead of inside it.
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.position != b.position ? a.position > b.position : a.length > b.length;
    });
    for (const Edit& e : edits)
        text.replace(e.position, e.length, e.replacement);
    return text;
}

QString xmlAttr(const QString& value)
{
    QString out = value.toHtmlEscaped(); // & < > "
    out.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    return out;
}

// Part names inside the package: relative to the source part's folder, or
// absolute from the package root.
QString resolvePartName(const QString& sourcePart, const QString& target)
{
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    if (decoded.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(decoded.mid(1));
    const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : sourcePart.left(slash + 1);
    return QDir::cleanPath(folder + decoded);
}

QString relsPartFor(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

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

} // namespace

// ---------------------------------------------------------------------------

struct XlsxWriter::Private
{
    enum class State { Opened, Writing, Finished, Failed };

    QString templatePath;
    QString outputPath;
    State state = State::Opened;

    ZipArchive source;
    QString sheetName;
    QString sheetPart;
    zip_int64_t sheetIndex = -1;
    zip_int64_t calcChainIndex = -1;
    bool date1904 = false;

    // Parts written in place of (or in addition to) the template's.
    std::map<zip_int64_t, QByteArray> replaced;
    std::vector<std::pair<QString, QByteArray>> added;

    // The sheet, split around its cell data.
    QByteArray sheetHead;  // up to the cell data, the dimension left out
    QByteArray sheetTail;  // after the cell data
    qsizetype dimensionAt = -1; // where in sheetHead the dimension goes, -1: none
    QString dimensionTag;       // e.g. "x:dimension"
    QString prefix;             // the sheet's prefix for the main namespace, e.g. "x:"

    // Style indices: [plain, bold] x [date, date-time, time, general]
    int dateStyle[2] = {0, 0};
    int dateTimeStyle[2] = {0, 0};
    int timeStyle[2] = {0, 0};
    int generalStyle[2] = {0, 0};

    QTemporaryFile sheetFile;
    // The writer fills a text buffer that goes to the file in large pieces:
    // writing each token to the file directly costs more than the XML.
    QString buffer;
    QXmlStreamWriter xml{&buffer};
    qint64 rows = 0;
    qint64 dimensionFileOffset = -1;
    int minColumn = -1, maxColumn = -1;
    qint64 minRow = -1, maxRow = -1;

    QString qRow, qC, qV, qIs, qT, qSheetData;
    QString pendingRow; // the number of a row whose element is not open yet
    std::vector<QString> columnNames;

    QByteArray readEntry(zip_int64_t index, const QString& name) const;
    zip_int64_t locate(const QString& name) const;
    void openTemplate();
    void prepareSheet(const QByteArray& data);
    void prepareStyles(zip_int64_t stylesIndex, const QString& stylesPart,
                       XmlPart& contentTypes, std::vector<Edit>& contentEdits, XmlPart& rels, std::vector<Edit>& relsEdits);
    void flushBuffer();
    void checkWrite();
    const QString& column(int index);
    void startCell(const QString& ref, int style, const QString& type);
    void writeCell(int column, const QString& ref, const QVariant& value, bool bold);
    void writeNumber(const QString& ref, const QString& text, int style);
    void writeText(const QString& ref, const QString& text, int style);
    QString dimensionRef() const;
    void writeArchive();
};

QByteArray XlsxWriter::Private::readEntry(zip_int64_t index, const QString& name) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(source.handle, zip_uint64_t(index), 0, &st) != 0)
        throw AppError(QStringLiteral("The workbook %1 could not be read: %2 (%3).")
                           .arg(QDir::toNativeSeparators(templatePath), name, zipErrorText(source.handle)));
    zip_file_t* file = zip_fopen_index(source.handle, zip_uint64_t(index), 0);
    if (!file)
        throw AppError(QStringLiteral("The workbook %1 could not be read: %2 (%3).")
                           .arg(QDir::toNativeSeparators(templatePath), name, zipErrorText(source.handle)));
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
                           .arg(QDir::toNativeSeparators(templatePath), name, why));
    return data;
}

zip_int64_t XlsxWriter::Private::locate(const QString& name) const
{
    // Part names in a package are case-insensitive.
    return zip_name_locate(source.handle, name.toUtf8().constData(), ZIP_FL_NOCASE);
}

void XlsxWriter::Private::openTemplate()
{
    const QString shown = QDir::toNativeSeparators(templatePath);
    QFileInfo info(templatePath);
    if (!info.exists())
        throw AppError(QStringLiteral("The workbook template %1 does not exist.").arg(shown));
    if (info.isDir())
        throw AppError(QStringLiteral("The workbook template %1 is a folder, not a file.").arg(shown));

    QFile probe(templatePath);
    if (!probe.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("The workbook template %1 cannot be read: %2.").arg(shown, probe.errorString()));
    const QByteArray magic = probe.read(8);
    probe.close();
    // Old binary workbooks and password-protected ones are compound files.
    if (magic == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        throw AppError(onlyXlsx(templatePath, QStringLiteral("is an older binary (.xls) or encrypted workbook")));
    if (!magic.startsWith("PK"))
        throw AppError(onlyXlsx(templatePath, QStringLiteral("is not a workbook (it is no zip archive)")));

    int errorCode = 0;
    source.handle = zip_open(QFile::encodeName(templatePath).constData(), ZIP_RDONLY, &errorCode);
    if (!source.handle) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        throw AppError(onlyXlsx(templatePath, QStringLiteral("is not a readable zip archive (%1)").arg(why)));
    }

    // The package's relationships name the workbook part.
    const zip_int64_t rootRelsIndex = locate(QStringLiteral("_rels/.rels"));
    const zip_int64_t typesIndex = locate(QStringLiteral("[Content_Types].xml"));
    if (rootRelsIndex < 0 || typesIndex < 0)
        throw AppError(onlyXlsx(templatePath, QStringLiteral("is a zip archive but no Office Open XML package")));
    const XmlPart rootRels = parseXml(QStringLiteral("_rels/.rels"), readEntry(rootRelsIndex, "_rels/.rels"), 2, templatePath);
    QString workbookPart;
    for (int r : rootRels.childrenOf(0, QStringLiteral("Relationship")))
        if (rootRels.spans[size_t(r)].attribute(QStringLiteral("Type")).endsWith(QLatin1String("/officeDocument")))
            workbookPart = resolvePartName(QString(), rootRels.spans[size_t(r)].attribute(QStringLiteral("Target")));
    const zip_int64_t workbookIndex = workbookPart.isEmpty() ? -1 : locate(workbookPart);
    if (workbookIndex < 0 || !workbookPart.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        throw AppError(onlyXlsx(templatePath, QStringLiteral("holds no spreadsheet workbook in XML form")));

    const XmlPart workbook = parseXml(workbookPart, readEntry(workbookIndex, workbookPart), 3, templatePath);
    if (workbook.spans[0].name != QLatin1String("workbook") ||
        (workbook.rootNamespace != kMainNs && workbook.rootNamespace != kStrictMainNs))
        throw AppError(onlyXlsx(templatePath, QStringLiteral("is an Office document but no spreadsheet workbook")));

    const int workbookPr = workbook.find(QStringLiteral("workbookPr"), 0);
    if (workbookPr >= 0) {
        const QString v = workbook.spans[size_t(workbookPr)].attribute(QStringLiteral("date1904"));
        date1904 = v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
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
    XmlPart rels = parseXml(workbookRelsPart, readEntry(workbookRelsIndex, workbookRelsPart), 2, templatePath);
    XmlPart contentTypes =
        parseXml(QStringLiteral("[Content_Types].xml"), readEntry(typesIndex, "[Content_Types].xml"), 2, templatePath);
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

void XlsxWriter::Private::prepareSheet(const QByteArray& data)
{
    const XmlPart sheet = parseXml(sheetPart, data, 2, templatePath);
    if (sheet.spans[0].name != QLatin1String("worksheet"))
        throw AppError(QStringLiteral("The first sheet \"%1\" of %2 is not a worksheet and cannot be filled.")
                           .arg(sheetName, QDir::toNativeSeparators(templatePath)));
    const int sheetData = sheet.find(QStringLiteral("sheetData"), 0);
    if (sheetData < 0)
        throw AppError(QStringLiteral("The workbook %1 is damaged: its first sheet has no cell data.")
                           .arg(QDir::toNativeSeparators(templatePath)));
    const Span& sd = sheet.spans[size_t(sheetData)];
    prefix = sd.prefix();
    qRow = prefix + QStringLiteral("row");
    qC = prefix + QStringLiteral("c");
    qV = prefix + QStringLiteral("v");
    qIs = prefix + QStringLiteral("is");
    qT = prefix + QStringLiteral("t");
    qSheetData = sd.qualifiedName;

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

void XlsxWriter::Private::prepareStyles(zip_int64_t stylesIndex, const QString& stylesPart,
                                        XmlPart& contentTypes, std::vector<Edit>& contentEdits, XmlPart& rels,
                                        std::vector<Edit>& relsEdits)
{
    XmlPart styles;
    int root = 0, numFmts = -1, fonts = -1, cellXfs = -1;
    auto loadStyles = [&](const QByteArray& data) {
        styles = parseXml(stylesPart, data, 3, templatePath);
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
            throw AppError(onlyXlsx(templatePath, QStringLiteral("has an empty content type list")));
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

    // A bold font: the default font with <b/> added.
    const Span& fontsSpan = styles.spans[size_t(fonts)];
    const int fontCount = fontsSpan.children;
    const std::vector<int> fontList = styles.childrenOf(fonts, QStringLiteral("font"));
    QString boldFont;
    if (!fontList.empty()) {
        const Span& f0 = styles.spans[size_t(fontList.front())];
        boldFont = f0.selfClosing() ? QStringLiteral("<%1><%2b/></%1>").arg(f0.qualifiedName, f0.prefix())
                                    : QStringLiteral("<%1><%2b/>%3</%1>").arg(f0.qualifiedName, f0.prefix(),
                                                                             styles.inner(fontList.front()));
    } else {
        boldFont = QStringLiteral("<%1font><%1b/></%1font>").arg(p);
    }
    edits.push_back({fontsSpan.start, fontsSpan.end - fontsSpan.start,
                     QStringLiteral("<%1 count=\"%2\">%3%4</%1>")
                         .arg(fontsSpan.qualifiedName)
                         .arg(fontCount + 1)
                         .arg(styles.inner(fonts), boldFont)});
    const int boldFontId = fontCount;

    // Cell formats: plain and bold variants of date, date-time, time, general.
    const Span& xfsSpan = styles.spans[size_t(cellXfs)];
    const bool haveStyleXfs = styles.find(QStringLiteral("cellStyleXfs"), root) >= 0;
    int xfCount = xfsSpan.children;
    QString xfs;
    auto addXf = [&](int numFmtId, bool bold) {
        xfs += QStringLiteral("<%1xf numFmtId=\"%2\" fontId=\"%3\" fillId=\"0\" borderId=\"0\"%4%5%6/>")
                   .arg(p)
                   .arg(numFmtId)
                   .arg(bold ? boldFontId : 0)
                   .arg(haveStyleXfs ? QStringLiteral(" xfId=\"0\"") : QString(),
                        numFmtId ? QStringLiteral(" applyNumberFormat=\"1\"") : QString(),
                        bold ? QStringLiteral(" applyFont=\"1\"") : QString());
        return xfCount++;
    };
    for (int bold = 0; bold < 2; ++bold) {
        dateStyle[bold] = addXf(dateFmt, bold);
        dateTimeStyle[bold] = addXf(dateTimeFmt, bold);
        timeStyle[bold] = addXf(timeFmt, bold);
    }
    generalStyle[0] = 0;
    generalStyle[1] = addXf(0, true);
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

const QString& XlsxWriter::Private::column(int index)
{
    while (int(columnNames.size()) <= index)
        columnNames.push_back(XlsxWriter::columnName(int(columnNames.size())));
    return columnNames[size_t(index)];
}

// A row's element is opened with its first cell, so that a row of nothing
// but nulls leaves no trace.
void XlsxWriter::Private::startCell(const QString& ref, int style, const QString& type)
{
    if (!pendingRow.isEmpty()) {
        xml.writeStartElement(qRow);
        xml.writeAttribute(QStringLiteral("r"), pendingRow);
        pendingRow.clear();
    }
    xml.writeStartElement(qC);
    xml.writeAttribute(QStringLiteral("r"), ref);
    if (style)
        xml.writeAttribute(QStringLiteral("s"), QString::number(style));
    if (!type.isEmpty())
        xml.writeAttribute(QStringLiteral("t"), type);
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

void XlsxWriter::Private::writeCell(int col, const QString& ref, const QVariant& value, bool bold)
{
    const int b = bold ? 1 : 0;
    const QDate epoch = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const QDate firstDate = date1904 ? QDate(1904, 1, 1) : QDate(1900, 3, 1);
    const QDate lastDate(9999, 12, 31);
    auto serialDate = [&](QDate date) { return date >= firstDate && date <= lastDate; };

    switch (value.metaType().id()) {
    case QMetaType::Bool:
        startCell(ref, generalStyle[b], QStringLiteral("b"));
        xml.writeTextElement(qV, value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        xml.writeEndElement();
        break;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        writeNumber(ref, QString::number(value.toLongLong()), generalStyle[b]);
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        writeNumber(ref, QString::number(value.toULongLong()), generalStyle[b]);
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        // The format has no NaN or infinity; a <v> holding one breaks the file.
        if (std::isfinite(number))
            writeNumber(ref, numberText(number), generalStyle[b]);
        else
            writeText(ref, numberText(number), generalStyle[b]);
        break;
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid())
            return;
        if (serialDate(date))
            writeNumber(ref, QString::number(epoch.daysTo(date)), dateStyle[b]);
        else
            writeText(ref, isoDate(date), generalStyle[b]);
        break;
    }
    case QMetaType::QDateTime: {
        // Written as the wall-clock time the value holds, in its own zone.
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return;
        if (serialDate(dt.date()))
            writeNumber(ref, numberText(double(epoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0),
                        dateTimeStyle[b]);
        else
            writeText(ref, isoDate(dt.date()) + dt.time().toString(QStringLiteral(" HH:mm:ss")), generalStyle[b]);
        break;
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        if (!time.isValid())
            return;
        writeNumber(ref, numberText(time.msecsSinceStartOfDay() / 86400000.0), timeStyle[b]);
        break;
    }
    default: {
        const QString text = value.toString();
        if (text.isEmpty())
            return;
        writeText(ref, text, generalStyle[b]);
        break;
    }
    }
    if (minColumn < 0 || col < minColumn)
        minColumn = col;
    maxColumn = std::max(maxColumn, col);
    if (minRow < 0)
        minRow = rows;
    maxRow = rows;
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

QString XlsxWriter::Private::dimensionRef() const
{
    if (minColumn < 0)
        return QStringLiteral("A1");
    const QString from = XlsxWriter::columnName(minColumn) + QString::number(minRow);
    const QString to = XlsxWriter::columnName(maxColumn) + QString::number(maxRow);
    return from == to ? from : from + QLatin1Char(':') + to;
}

void XlsxWriter::Private::writeArchive()
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

    const zip_int64_t count = zip_get_num_entries(source.handle, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (i == calcChainIndex)
            continue;
        const char* rawName = zip_get_name(source.handle, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!rawName)
            fail(QStringLiteral("entry %1").arg(i));
        const QByteArray name(rawName);
        if (name.endsWith('/')) {
            if (zip_dir_add(out.handle, rawName, ZIP_FL_ENC_GUESS) < 0)
                fail(QString::fromUtf8(name));
        } else if (i == sheetIndex) {
            addSource(name, zip_source_file(out.handle, QFile::encodeName(sheetFile.fileName()).constData(), 0, -1), true);
        } else if (auto it = replaced.find(i); it != replaced.end()) {
            addSource(name, zip_source_buffer(out.handle, it->second.constData(), zip_uint64_t(it->second.size()), 0), true);
        } else {
            // Copied as stored: no decompression, no recompression.
            addSource(name, zip_source_zip(out.handle, source.handle, zip_uint64_t(i), ZIP_FL_COMPRESSED, 0, -1), false);
        }
    }
    for (const auto& [name, data] : added)
        addSource(name.toUtf8(), zip_source_buffer(out.handle, data.constData(), zip_uint64_t(data.size()), 0), true);

    if (zip_close(out.handle) != 0)
        fail(QStringLiteral("the archive could not be saved"));
    out.handle = nullptr;
}

// ---------------------------------------------------------------------------

XlsxWriter::XlsxWriter(const QString& templatePath, const QString& outputPath)
    : d(std::make_unique<Private>())
{
    d->templatePath = templatePath;
    d->outputPath = outputPath;
    d->openTemplate();

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
    return d->sheetName;
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

    if (d->dimensionAt >= 0) {
        const QByteArray open = QStringLiteral("<%1 ref=\"").arg(d->dimensionTag).toUtf8();
        d->sheetFile.write(d->sheetHead.constData(), d->dimensionAt);
        d->sheetFile.write(open);
        d->dimensionFileOffset = d->sheetFile.pos();
        d->sheetFile.write("A1\"" + QByteArray(kDimensionWidth - 2, ' ') + "/>");
        d->sheetFile.write(d->sheetHead.constData() + d->dimensionAt, d->sheetHead.size() - d->dimensionAt);
    } else {
        d->sheetFile.write(d->sheetHead);
    }
    d->xml.writeStartElement(d->qSheetData);
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
    const QString rowText = QString::number(d->rows);
    d->pendingRow = rowText;
    for (int i = 0; i < cells.size(); ++i) {
        const QVariant& value = cells[i];
        if (!value.isNull())
            d->writeCell(i, d->column(i) + rowText, value, style == RowStyle::Bold);
    }
    if (d->pendingRow.isEmpty())
        d->xml.writeEndElement();
    d->pendingRow.clear();
    if (d->buffer.size() >= 64 * 1024)
        d->flushBuffer();
}

void XlsxWriter::finish()
{
    beginSheet();
    d->xml.writeEndElement(); // sheetData
    d->flushBuffer();
    d->sheetFile.write(d->sheetTail);
    if (d->dimensionFileOffset >= 0) {
        const QByteArray ref = d->dimensionRef().toUtf8();
        d->sheetFile.seek(d->dimensionFileOffset);
        d->sheetFile.write(ref + '"' + QByteArray(kDimensionWidth - ref.size(), ' '));
    }
    d->sheetFile.flush();
    d->checkWrite();
    d->state = Private::State::Failed;
    d->writeArchive();
    d->state = Private::State::Finished;
    d->sheetFile.close();
}

QString XlsxWriter::columnName(int index)
{
    QString name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

void XlsxWriter::createEmptyWorkbook(const QString& path, const QString& sheetName)
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
