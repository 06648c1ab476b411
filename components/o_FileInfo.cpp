#include "components/o_FileInfo.h"

#include "components/o_OptionsManager.h"
#include "toolkit/AppError.h"
#include "toolkit/ElfSection.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

#include <optional>

const QByteArray TqvFileInfo::SectionName = QByteArrayLiteral(".hwversion");

namespace {

// The section's text laid out as version resources address their values:
// "\VarFileInfo\Translation" and "\StringFileInfo\<translation>\<key>".
// Names are matched without regard to case, as resource lookups are.
class VersionBlock
{
public:
    explicit VersionBlock(const QByteArray& bytes)
    {
        // The block is a C string in the executable; its terminator ends it.
        const qsizetype end = bytes.indexOf('\0');
        const QString text = QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
        QString group = QStringLiteral("\\VarFileInfo");
        for (QString line : text.split(QLatin1Char('\n'))) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                group = QStringLiteral("\\StringFileInfo\\") + line.mid(1, line.size() - 2).trimmed();
                continue;
            }
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals <= 0)
                continue;
            const QString path = group + QLatin1Char('\\') + line.left(equals).trimmed();
            // The first of duplicate keys counts.
            const QString lookup = path.toLower();
            if (!m_values.contains(lookup))
                m_values.insert(lookup, line.mid(equals + 1));
        }
    }

    std::optional<QString> query(const QString& path) const
    {
        const auto found = m_values.constFind(path.toLower());
        if (found == m_values.constEnd())
            return std::nullopt;
        return *found;
    }

    // The value of one key in the block's first translation; empty when
    // there is no translation or no such key.
    QString queryString(const QString& key) const
    {
        const std::optional<QString> translations = query(QStringLiteral("\\VarFileInfo\\Translation"));
        if (!translations)
            return {};
        // Several translations may be listed; only the first one is read.
        QString list = *translations;
        list.replace(QLatin1Char(','), QLatin1Char(' '));
        const QString first = list.simplified().section(QLatin1Char(' '), 0, 0);
        bool ok = false;
        const uint pair = first.toUInt(&ok, 16);
        if (!ok || first.size() != 8)
            return {};
        const uint language = pair >> 16;
        const uint codePage = pair & 0xffffu;
        const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                                 .arg(language, 4, 16, QLatin1Char('0'))
                                 .arg(codePage, 4, 16, QLatin1Char('0'))
                                 .arg(key);
        return query(path).value_or(QString());
    }

private:
    QHash<QString, QString> m_values;
};

} // namespace

TqvFileInfo::TqvFileInfo(QObject* owner)
    : QObject(owner)
{
    Load();
}

void TqvFileInfo::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    Load();
}

void TqvFileInfo::Load()
{
    if (m_fileName.trimmed().isEmpty())
        m_fileName = QCoreApplication::applicationFilePath();
    if (!QFileInfo(m_fileName).isFile())
        throw AppError(QStringLiteral("File %1 does not exist").arg(m_fileName));

    const std::optional<QByteArray> section = ElfSection::read(m_fileName, SectionName);
    // A file without version strings leaves the previous values standing.
    if (!section || section->isEmpty())
        return;

    const VersionBlock block(*section);
    // The keys as version resources spell them; the lookup ignores case.
    m_companyName = block.queryString(QStringLiteral("CompanyName"));
    m_fileDescription = block.queryString(QStringLiteral("FileDescription"));
    m_fileVersion = block.queryString(QStringLiteral("FileVersion"));
    m_internalName = block.queryString(QStringLiteral("InternalName"));
    m_legalCopyright = block.queryString(QStringLiteral("LegalCopyRight"));
    m_legalTrademarks = block.queryString(QStringLiteral("LegalTradeMarks"));
    m_originalFilename = block.queryString(QStringLiteral("OriginalFileName"));
    m_productName = block.queryString(QStringLiteral("ProductName"));
    m_productVersion = block.queryString(QStringLiteral("ProductVersion"));
    m_comments = block.queryString(QStringLiteral("Comments"));
}

int TqvFileInfo::FileVersionAsNumeric() const
{
    const qsizetype dot = m_fileVersion.lastIndexOf(QLatin1Char('.'));
    const QString last = dot < 0 ? m_fileVersion : m_fileVersion.mid(dot + 1);
    return Options::toInt(last.trimmed());
}
