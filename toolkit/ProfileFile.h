#pragma once

#include <QString>
#include <QStringList>

// An initialisation file read and written with the semantics of the Windows
// private-profile functions: "[Section]" lines open sections, "Key=Value"
// lines hold values, names match without regard to case, the first of
// duplicate sections or keys wins, values are trimmed (and lose one pair of
// enclosing quotes), a read returns at most 2047 characters. Nothing is
// cached: every read opens the file, every write replaces it at once.
// Lines the reader does not understand are kept as they are.
class ProfileFile
{
public:
    static constexpr int MaxValueLength = 2047;

    explicit ProfileFile(QString path);

    const QString& path() const { return m_path; }
    bool exists() const;

    // The value, or defaultValue when the file, section or key is missing.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;

    // Replaces the file atomically (temporary file, then rename). Throws
    // AppError("Unable to write to <path>") and leaves the old file intact
    // when that fails.
    void writeString(const QString& section, const QString& key, const QString& value);

private:
    QStringList readLines() const;

    QString m_path;
};
