#include "toolkit/ProfileFile.h"

#include "toolkit/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

struct ParsedLine
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name;  // section or key name, trimmed
    QString value; // raw text after '=' (keys only)
};

ParsedLine parse(const QString& line)
{
    ParsedLine parsed;
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        parsed.kind = ParsedLine::Section;
        parsed.name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
        return parsed;
    }
    const int eq = trimmed.indexOf(QLatin1Char('='));
    if (eq > 0) {
        parsed.kind = ParsedLine::Key;
        parsed.name = trimmed.left(eq).trimmed();
        parsed.value = trimmed.mid(eq + 1);
    }
    return parsed;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QString cleanValue(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value.left(ProfileFile::MaxValueLength);
}

// A value is one line of the file; a line break inside it would open a new line.
QString oneLine(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

} // namespace

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path))
{
}

bool ProfileFile::exists() const
{
    return QFileInfo::exists(m_path);
}

QStringList ProfileFile::readLines() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) // a file written in a single-byte code page
        text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const
{
    bool inSection = false;
    bool sectionSeen = false;
    for (const QString& line : readLines()) {
        const ParsedLine parsed = parse(line);
        if (parsed.kind == ParsedLine::Section) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = !sectionSeen && sameName(parsed.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && parsed.kind == ParsedLine::Key && sameName(parsed.name, key)) {
            return cleanValue(parsed.value);
        }
    }
    return defaultValue.left(MaxValueLength);
}

QStringList ProfileFile::sectionNames() const
{
    QStringList names;
    for (const QString& line : readLines()) {
        const ParsedLine parsed = parse(line);
        if (parsed.kind == ParsedLine::Section)
            names << parsed.name;
    }
    return names;
}

QStringList ProfileFile::keyNames(const QString& section) const
{
    QStringList names;
    bool inSection = false;
    for (const QString& line : readLines()) {
        const ParsedLine parsed = parse(line);
        if (parsed.kind == ParsedLine::Section) {
            if (inSection)
                break;
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == ParsedLine::Key) {
            names << parsed.name;
        }
    }
    return names;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QStringList lines = readLines();
    const QString entry = key.trimmed() + QLatin1Char('=') + oneLine(value);

    int sectionLine = -1;
    int lastInSection = -1; // last non-blank line of the section
    int keyLine = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parse(lines.at(i));
        if (parsed.kind == ParsedLine::Section) {
            if (sectionLine >= 0)
                break;
            if (sameName(parsed.name, section)) {
                sectionLine = i;
                lastInSection = i;
            }
        } else if (sectionLine >= 0) {
            if (!lines.at(i).trimmed().isEmpty())
                lastInSection = i;
            if (parsed.kind == ParsedLine::Key && sameName(parsed.name, key)) {
                keyLine = i;
                break;
            }
        }
    }

    if (keyLine >= 0) {
        lines[keyLine] = entry;
    } else if (sectionLine >= 0) {
        lines.insert(lastInSection + 1, entry);
    } else {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty())
            lines << QString();
        lines << QLatin1Char('[') + section.trimmed() + QLatin1Char(']') << entry;
    }

    QSaveFile file(m_path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QByteArray bytes = (lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toUtf8();
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok) {
        file.cancelWriting();
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_path));
    }
}
