#include "toolkit/CsvWriter.h"

#include "toolkit/AppError.h"

#include <QIODevice>

namespace {
// Large enough that a device write costs little per record.
constexpr qsizetype kBlock = 1 << 16;

bool needsQuotes(const QString& value)
{
    for (QChar c : value)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}
} // namespace

CsvWriter::CsvWriter(QIODevice* device)
    : m_device(device)
{
    m_buffer.reserve(kBlock + 4096);
}

CsvWriter::~CsvWriter()
{
    try {
        flush();
    } catch (const AppError&) {
        // A caller that wants to know flushes itself.
    }
}

QString CsvWriter::field(const QString& value)
{
    if (!needsQuotes(value))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvWriter::record(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        line += field(fields.at(i));
    }
    return line;
}

void CsvWriter::writeRecord(const QStringList& fields)
{
    m_buffer += record(fields).toUtf8();
    m_buffer += "\r\n";
    if (m_buffer.size() >= kBlock)
        flush();
}

void CsvWriter::flush()
{
    if (m_buffer.isEmpty() || !m_device)
        return;
    const qint64 written = m_device->write(m_buffer);
    if (written != m_buffer.size())
        throw AppError(QStringLiteral("Unable to write the file: %1").arg(m_device->errorString()));
    m_buffer.clear();
}
