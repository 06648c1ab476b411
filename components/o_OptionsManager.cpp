#include "components/o_OptionsManager.h"

#include "toolkit/AppError.h"
#include "toolkit/ProfileFile.h"

#include <QFile>
#include <QLocale>

#include <array>
#include <cstring>

namespace {

const char s_alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+/";

// Windows-1253 bytes of the decoder's extra symbols, in table order, and the
// Greek letters they stand for.
struct GreekSymbol
{
    unsigned char cp1253;
    char16_t unicode;
};

std::array<GreekSymbol, 47> greekSymbols()
{
    std::array<GreekSymbol, 47> table{};
    int i = 0;
    auto range = [&](int first, int last) {
        for (int b = first; b <= last; ++b, ++i)
            table[i] = {static_cast<unsigned char>(b), static_cast<char16_t>(0x0391 + (b - 0xC1))};
    };
    range(0xC1, 0xD1); // capital alpha .. rho
    range(0xD3, 0xD9); // capital sigma .. omega
    range(0xE1, 0xED); // small alpha .. nu
    range(0xEF, 0xF1); // small omicron .. rho
    range(0xF3, 0xF9); // small sigma .. omega
    return table;
}

int symbolValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128) {
        const char* hit = u ? std::strchr(s_alphabet, char(u)) : nullptr;
        return hit ? int(hit - s_alphabet) : -1;
    }
    static const std::array<GreekSymbol, 47> greek = greekSymbols();
    for (size_t i = 0; i < greek.size(); ++i) {
        // The Greek letter itself, or its byte read as Latin-1 from a file
        // written in the Greek code page.
        if (u == greek[i].unicode || u == greek[i].cp1253)
            return 64 + int(i);
    }
    return -1;
}

} // namespace

int Options::toInt(const QVariant& value)
{
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toInt();
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(value.toString()));
    return number;
}

QTime Options::toTimeOfDay(const QVariant& value, const QTime& fallback)
{
    const QTime time = QTime::fromString(value.toString().trimmed(), QStringLiteral("H:mm"));
    return time.isValid() ? time : fallback;
}

double Options::toDouble(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int)
        return value.toDouble();
    QString text = value.toString().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid floating point value").arg(value.toString()));
    return number;
}

TqvOptionsManager::TqvOptionsManager(QObject* owner)
    : QObject(owner)
{
}

TqvOptionsManager::~TqvOptionsManager() = default;

void TqvOptionsManager::setOptionsFileName(const QString& fileName)
{
    m_fileName = fileName;
    m_file = std::make_unique<ProfileFile>(fileName);
    m_sections = m_file->sectionNames();
}

ProfileFile& TqvOptionsManager::file() const
{
    if (!m_file)
        throw AppError(QStringLiteral("The options file name has not been set"));
    return *m_file;
}

QString TqvOptionsManager::valueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

QVariant TqvOptionsManager::ReadValue(const QString& section, const QString& key,
                                      const QVariant& defaultValue) const
{
    const QString text = file().readString(section, key);
    return text.isEmpty() ? defaultValue : QVariant(text);
}

void TqvOptionsManager::WriteValue(const QString& section, const QString& key, const QVariant& value)
{
    file().writeString(section, key, valueText(value));
}

QVariant TqvOptionsManager::ReadEncodedValue(const QString& section, const QString& key,
                                             const QVariant& defaultValue) const
{
    const QString decoded = QString::fromUtf8(DecodeValue(file().readString(section, key)));
    return decoded.isEmpty() ? defaultValue : QVariant(decoded);
}

void TqvOptionsManager::WriteEncodedValue(const QString& section, const QString& key, const QVariant& value)
{
    const QString text = valueText(value);
    file().writeString(section, key, EncodeValue(text.toUtf8()));
    // The encoding hides nothing from a reader: a file holding a server login
    // is kept to its owner. Later atomic rewrites keep these permissions.
    if (!text.isEmpty() && !QFile::setPermissions(m_fileName, QFile::ReadOwner | QFile::WriteOwner))
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_fileName));
}

QString TqvOptionsManager::EncodeValue(const QByteArray& bytes)
{
    QString result;
    result.reserve((bytes.size() * 8 + 5) / 6);
    quint32 accumulator = 0;
    int bits = 0;
    for (const char c : bytes) {
        accumulator = (accumulator << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            result += QLatin1Char(s_alphabet[accumulator >> bits]);
            accumulator &= (1u << bits) - 1;
        }
    }
    if (bits > 0)
        result += QLatin1Char(s_alphabet[accumulator << (6 - bits)]);
    return result;
}

QByteArray TqvOptionsManager::DecodeValue(const QString& symbols)
{
    QByteArray result;
    quint64 accumulator = 0;
    int bits = 0;
    for (const QChar c : symbols) {
        const int value = symbolValue(c);
        if (value < 0)
            break;
        accumulator = accumulator * 64 + quint64(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            result += char((accumulator >> bits) & 0xFF);
            accumulator &= (quint64(1) << bits) - 1;
        }
    }
    return result;
}

TqvOptionsManager* GetOptionsManager()
{
    static TqvOptionsManager instance; // freed at program exit
    return &instance;
}
