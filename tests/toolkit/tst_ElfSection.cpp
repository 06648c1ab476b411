#include "toolkit/ElfSection.h"

#include "support/TestElf.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <elf.h>

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

// The built tools sit in the build folder; CTest says where it is.
QString builtTool()
{
    QString folder = qEnvironmentVariable("HW_TEST_BINARY_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    return QDir(folder).filePath(QStringLiteral("hourwright-db"));
}

const QByteArray kVersion = ".hwversion";

} // namespace

class TestElfSectionReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString nextPath() { return m_dir.filePath(QStringLiteral("f%1").arg(m_files++)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFile::exists(builtTool()), qPrintable(builtTool()));
    }

    void readsSection_data()
    {
        QTest::addColumn<QList<TestElfSection>>("sections");
        QTest::addColumn<bool>("is64Bit");
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<QByteArray>("wanted");
        QTest::addColumn<std::optional<QByteArray>>("expected");

        const TestElfSection version{kVersion, "Key=Value\n"};
        const TestElfSection other{".data", "other bytes"};
        const std::optional<QByteArray> none;

        QTest::newRow("64-bit little-endian") << QList{version} << true << false << kVersion
                                              << std::optional(version.data);
        QTest::newRow("32-bit little-endian") << QList{version} << false << false << kVersion
                                              << std::optional(version.data);
        QTest::newRow("64-bit big-endian") << QList{version} << true << true << kVersion
                                           << std::optional(version.data);
        QTest::newRow("32-bit big-endian") << QList{version} << false << true << kVersion
                                           << std::optional(version.data);
        QTest::newRow("among others") << QList{other, version, TestElfSection{".rodata", "x"}} << true << false
                                      << kVersion << std::optional(version.data);
        QTest::newRow("first of two with the name")
            << QList{version, TestElfSection{kVersion, "second"}} << true << false << kVersion
            << std::optional(version.data);
        QTest::newRow("absent") << QList{other} << true << false << kVersion << none;
        QTest::newRow("longer name is another section")
            << QList{TestElfSection{".hwversion2", "x"}} << true << false << kVersion << none;
        QTest::newRow("shorter name is another section")
            << QList{TestElfSection{".hwvers", "x"}} << true << false << kVersion << none;
        QTest::newRow("empty section is present") << QList{TestElfSection{kVersion, ""}} << true << false
                                                  << kVersion << std::optional(QByteArray());
        QTest::newRow("reserved only, no bytes")
            << QList{TestElfSection{kVersion, QByteArray(64, '\0'), SHT_NOBITS}} << true << false << kVersion
            << none;
        QTest::newRow("zero bytes kept") << QList{TestElfSection{kVersion, QByteArray("a\0b\0", 4)}} << true
                                         << false << kVersion << std::optional(QByteArray("a\0b\0", 4));
        QTest::newRow("compressed, read back plain")
            << QList{TestElfSection{kVersion, QByteArray(500, 'z'), SHT_PROGBITS, 0, true}} << true << false
            << kVersion << std::optional(QByteArray(500, 'z'));
    }
    void readsSection()
    {
        QFETCH(QList<TestElfSection>, sections);
        QFETCH(bool, is64Bit);
        QFETCH(bool, bigEndian);
        QFETCH(QByteArray, wanted);
        QFETCH(std::optional<QByteArray>, expected);

        const QString path = nextPath();
        QVERIFY(writeTestElf(path, sections, TestElfOptions{is64Bit, bigEndian}));
        for (const TestElfSection& section : sections) {
            if (section.compressed) // really stored packed
                QVERIFY(!readTestFile(path).contains(section.data));
        }
        QCOMPARE(ElfSection::read(path, wanted), expected);
        QCOMPARE(ElfSection::fromImage(readTestFile(path), wanted), expected);
    }

    void readsBuiltExecutable()
    {
        const auto block = ElfSection::read(builtTool(), kVersion);
        QVERIFY(block.has_value());
        QVERIFY2(block->contains("ProductName=Hourwright\n"), block->constData());
        QVERIFY(block->contains("OriginalFilename=hourwright-db\n"));
        QCOMPARE(ElfSection::fromImage(readTestFile(builtTool()), kVersion), block);
        QVERIFY(ElfSection::read(builtTool(), ".text").has_value());
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("text file") << "text";
        QTest::newRow("magic only") << "magic";
        QTest::newRow("ar archive") << "archive";
    }
    void unreadableFiles()
    {
        QFETCH(QString, kind);
        QString path = nextPath();
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (kind == QLatin1String("empty"))
            QVERIFY(writeTestFile(path, {}));
        else if (kind == QLatin1String("text"))
            QVERIFY(writeTestFile(path, "[Section]\nKey=Value\n"));
        else if (kind == QLatin1String("magic"))
            QVERIFY(writeTestFile(path, "\x7f" "ELF"));
        else if (kind == QLatin1String("archive"))
            QVERIFY(writeTestFile(path, "!<arch>\n"));
        QCOMPARE(ElfSection::read(path, kVersion), std::nullopt);
    }

    // The section header table closes the file, so every cut loses it.
    void truncatedCopies_data()
    {
        QTest::addColumn<qint64>("keep");
        const qint64 size = QFileInfo(builtTool()).size();
        QTest::newRow("1 byte") << qint64(1);
        QTest::newRow("ident only") << qint64(EI_NIDENT);
        QTest::newRow("half a header") << qint64(32);
        QTest::newRow("header only") << qint64(sizeof(Elf64_Ehdr));
        QTest::newRow("4 KiB") << qint64(4096);
        QTest::newRow("half") << size / 2;
        QTest::newRow("last header half gone") << size - qint64(sizeof(Elf64_Shdr)) / 2;
        QTest::newRow("one byte short") << size - 1;
    }
    void truncatedCopies()
    {
        QFETCH(qint64, keep);
        const QString path = nextPath();
        QVERIFY(writeTestFile(path, readTestFile(builtTool()).left(keep)));
        QCOMPARE(ElfSection::read(path, kVersion), std::nullopt);
    }

    void randomFiles()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes(int(random.bounded(1, 8192)), Qt::Uninitialized);
            for (char& byte : bytes)
                byte = char(random.bounded(256));
            if (round % 2)
                bytes.replace(0, 4, "\x7f" "ELF");
            const QString path = nextPath();
            QVERIFY(writeTestFile(path, bytes));
            QCOMPARE(ElfSection::read(path, kVersion), std::nullopt);
        }
    }

    // Damaged headers and tables must fail cleanly, whatever they claim.
    void mutatedImages_data()
    {
        QTest::addColumn<bool>("builtTool");
        QTest::addColumn<int>("rounds");
        QTest::newRow("small made-up file") << false << 3000;
        QTest::newRow("built executable") << true << 150;
    }
    void mutatedImages()
    {
        QFETCH(bool, builtTool);
        QFETCH(int, rounds);
        QByteArray original;
        if (builtTool) {
            original = readTestFile(::builtTool());
        } else {
            const QList<TestElfSection> sections{
                {".data", "some data"}, {kVersion, "Key=Value\n"}, {".bss", "", SHT_NOBITS}};
            original = makeTestElfImage(sections);
        }
        QVERIFY(!original.isEmpty());
        // The headers are at the start and at the end; damage both.
        const qsizetype headerSize = qsizetype(sizeof(Elf64_Ehdr));
        const qsizetype tailSize = qMin<qsizetype>(original.size(), 4096);

        QRandomGenerator random(7);
        int found = 0;
        for (int round = 0; round < rounds; ++round) {
            QByteArray image = original;
            const int changes = int(random.bounded(1, 8));
            for (int change = 0; change < changes; ++change) {
                const bool atStart = random.bounded(2) == 0;
                const qsizetype at = atStart ? random.bounded(headerSize)
                                             : image.size() - 1 - random.bounded(tailSize);
                image[at] = char(random.bounded(256));
            }
            if (round % 5 == 0)
                image.truncate(random.bounded(image.size()) + 1);
            const auto section = ElfSection::fromImage(image, kVersion);
            if (section) {
                ++found;
                QVERIFY(section->size() <= image.size());
            }
        }
        // Most single-byte damage leaves the section findable; a reader that
        // gave up on every damaged file would not be reading at all.
        QVERIFY(found > 0);
    }
};

QTEST_GUILESS_MAIN(TestElfSectionReader)
#include "tst_ElfSection.moc"
