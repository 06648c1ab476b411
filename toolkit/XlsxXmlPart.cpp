#include "toolkit/XlsxXmlPart.h"

#include "toolkit/AppError.h"

#include <QDir>
#include <QStringConverter>
#include <QUrl>

#include <algorithm>

namespace XlsxXml {

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

QString columnName(int index)
{
    QString name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}
} // namespace XlsxXml
