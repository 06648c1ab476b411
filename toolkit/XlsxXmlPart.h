#pragma once

#include <QString>
#include <QXmlStreamAttributes>

#include <vector>

// The XML parts of a workbook package, read for editing in place.
namespace XlsxXml {

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

// A text edit: `length` characters at `position` become `replacement`.
struct Edit
{
    qsizetype position;
    qsizetype length;
    QString replacement;
};

// The part's text, decoded; a declaration of another encoding becomes UTF-8.
QString decodeXml(const QByteArray& data);
// Records the elements down to maxDepth (the root is 1); throws AppError
// naming the workbook when the part is no XML or empty.
XmlPart parseXml(const QString& partName, const QByteArray& data, int maxDepth, const QString& workbookPath);
QString applyEdits(QString text, std::vector<Edit> edits);
// An attribute value: & < > " and ' escaped.
QString xmlAttr(const QString& value);
// Part names inside the package: relative to the source part's folder, or
// absolute from the package root.
QString resolvePartName(const QString& sourcePart, const QString& target);
// The relationships part of a part, e.g. "xl/_rels/workbook.xml.rels".
QString relsPartFor(const QString& part);
// The column letters of a cell reference for a zero-based column: 0 is A,
// 26 is AA.
QString columnName(int index);

} // namespace XlsxXml
