#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Small ELF files made on the spot, for the readers of named sections.
struct TestElfSection
{
    QByteArray name;
    QByteArray data;
    unsigned type = 1;       // SHT_PROGBITS
    unsigned long flags = 2; // SHF_ALLOC
    bool compressed = false; // stored zlib-compressed (SHF_COMPRESSED)
};

struct TestElfOptions
{
    bool is64Bit = true;
    bool bigEndian = false;
};

// Writes a relocatable ELF file holding the sections; false when libelf
// refused (the test should fail then).
bool writeTestElf(const QString& path, const QList<TestElfSection>& sections,
                  const TestElfOptions& options = {});
// The same file's bytes.
QByteArray makeTestElfImage(const QList<TestElfSection>& sections, const TestElfOptions& options = {});

// A file with exactly these bytes.
bool writeTestFile(const QString& path, const QByteArray& bytes);
QByteArray readTestFile(const QString& path);
