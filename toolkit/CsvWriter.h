#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// Comma-separated records as RFC 4180 has them: CRLF line ends, a field
// quoted when it holds a comma, a quote or a line break, quotes doubled.
// Text goes out as UTF-8 without a byte-order mark.
class CsvWriter
{
public:
    // Writes to the device in blocks; flush() (or the destructor) hands over the rest.
    explicit CsvWriter(QIODevice* device);
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    void writeRecord(const QStringList& fields);
    // Throws AppError with the device's reason when it refuses the bytes.
    void flush();

    static QString field(const QString& value);
    static QString record(const QStringList& fields); // without the line end

private:
    QIODevice* m_device;
    QByteArray m_buffer;
};
