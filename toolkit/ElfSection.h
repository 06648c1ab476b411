#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads the contents of one named section of an ELF file. Anything that is
// not a well-formed ELF file with that section (a missing, truncated or
// foreign file, a section without contents) reads as "no section".
class ElfSection
{
public:
    static std::optional<QByteArray> read(const QString& filePath, const QByteArray& sectionName);
    // The same for a file image already in memory.
    static std::optional<QByteArray> fromImage(const QByteArray& image, const QByteArray& sectionName);
};
