#include "components/o_FileInfo.h"

#include "support/TestElf.h"
#include "toolkit/AppError.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

QString builtTool()
{
    QString folder = qEnvironmentVariable("HW_TEST_BINARY_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    return QDir(folder).filePath(QStringLiteral("hourwright-db"));
}

const QByteArray kFull = "Translation=040904b0\n"
                         "[040904b0]\n"
                         "CompanyName=Maker One\n"
                         "FileDescription=First file\n"
                         "FileVersion=2.4.6.8\n"
                         "InternalName=first\n"
                         "LegalCopyright=(C) One\n"
                         "LegalTrademarks=One TM\n"
                         "OriginalFilename=first.bin\n"
                         "ProductName=Product One\n"
                         "ProductVersion=2.4\n"
                         "Comments=No comment\n";

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestFileInfo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString versionFile(const QByteArray& block)
    {
        const QString path = m_dir.filePath(QStringLiteral("v%1.bin").arg(m_files++));
        if (!writeTestElf(path, {{TqvFileInfo::SectionName, block}}))
            qFatal("could not write %s", qPrintable(path));
        return path;
    }
    QString plainFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.bin").arg(m_files++));
        writeTestFile(path, bytes);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readsBuiltTool()
    {
        TqvFileInfo info;
        info.setFileName(builtTool());
        QCOMPARE(info.ProductName(), QStringLiteral("Hourwright"));
        QCOMPARE(info.CompanyName(), QStringLiteral("Quivane"));
        QCOMPARE(info.ProductVersion(), QStringLiteral(HW_PROJECT_VERSION));
        // Four parts, the project's three first.
        QCOMPARE(info.FileVersion().split(QLatin1Char('.')).size(), 4);
        QVERIFY2(info.FileVersion().startsWith(QStringLiteral(HW_PROJECT_VERSION ".")),
                 qPrintable(info.FileVersion()));
        QCOMPARE(info.InternalName(), QStringLiteral("hourwright-db"));
        QCOMPARE(info.OriginalFilename(), QStringLiteral("hourwright-db"));
        QVERIFY(info.LegalCopyright().contains(QStringLiteral("Quivane")));
        QVERIFY(!info.FileDescription().isEmpty());
        QCOMPARE(info.FileVersionAsNumeric(), info.FileVersion().section(QLatin1Char('.'), -1).toInt());
    }

    void unnamedReadsOwnExecutable()
    {
        TqvFileInfo info;
        QCOMPARE(info.FileName(), QCoreApplication::applicationFilePath());
        QCOMPARE(info.InternalName(), QStringLiteral("tst_FileInfo"));
        QCOMPARE(info.ProductVersion(), QStringLiteral(HW_PROJECT_VERSION));
    }

    void blankNameReadsOwnExecutable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("tab") << "\t";
    }
    void blankNameReadsOwnExecutable()
    {
        QFETCH(QString, name);
        TqvFileInfo info;
        info.setFileName(versionFile(kFull));
        QCOMPARE(info.InternalName(), QStringLiteral("first"));
        info.setFileName(name);
        QCOMPARE(info.FileName(), QCoreApplication::applicationFilePath());
        QCOMPARE(info.InternalName(), QStringLiteral("tst_FileInfo"));
    }

    void values_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("expected");

        QTest::newRow("company") << kFull << "CompanyName" << "Maker One";
        QTest::newRow("description") << kFull << "FileDescription" << "First file";
        QTest::newRow("file version") << kFull << "FileVersion" << "2.4.6.8";
        QTest::newRow("internal name") << kFull << "InternalName" << "first";
        QTest::newRow("copyright") << kFull << "LegalCopyright" << "(C) One";
        QTest::newRow("trademarks") << kFull << "LegalTrademarks" << "One TM";
        QTest::newRow("original name") << kFull << "OriginalFilename" << "first.bin";
        QTest::newRow("product") << kFull << "ProductName" << "Product One";
        QTest::newRow("product version") << kFull << "ProductVersion" << "2.4";
        QTest::newRow("comments") << kFull << "Comments" << "No comment";

        QTest::newRow("key in any case")
            << QByteArray("Translation=040904b0\n[040904b0]\nlegalcopyRIGHT=(C) x\n") << "LegalCopyright" << "(C) x";
        QTest::newRow("upper-case translation")
            << QByteArray("Translation=040904B0\n[040904B0]\nProductName=P\n") << "ProductName" << "P";
        QTest::newRow("first of several translations")
            << QByteArray("Translation=040704e4 040904b0\n[040904b0]\nProductName=English\n"
                          "[040704e4]\nProductName=Deutsch\n")
            << "ProductName" << "Deutsch";
        QTest::newRow("comma-separated translations")
            << QByteArray("Translation=040904b0,040704e4\n[040704e4]\nProductName=Deutsch\n"
                          "[040904b0]\nProductName=English\n")
            << "ProductName" << "English";
        QTest::newRow("key of the second translation only")
            << QByteArray("Translation=040704e4 040904b0\n[040704e4]\nProductName=D\n[040904b0]\nComments=E\n")
            << "Comments" << "";
        QTest::newRow("missing key is empty")
            << QByteArray("Translation=040904b0\n[040904b0]\nProductName=P\n") << "CompanyName" << "";
        QTest::newRow("other keys still read")
            << QByteArray("Translation=040904b0\n[040904b0]\nProductName=P\n") << "ProductName" << "P";
        QTest::newRow("no translation") << QByteArray("[040904b0]\nProductName=P\n") << "ProductName" << "";
        QTest::newRow("bad translation") << QByteArray("Translation=0409\n[0409]\nProductName=P\n") << "ProductName"
                                         << "";
        QTest::newRow("key outside the translation")
            << QByteArray("Translation=040904b0\nProductName=P\n[040904b0]\n") << "ProductName" << "";
        QTest::newRow("crlf lines")
            << QByteArray("Translation=040904b0\r\n[040904b0]\r\nProductName=P\r\n") << "ProductName" << "P";
        QTest::newRow("equals sign in value")
            << QByteArray("Translation=040904b0\n[040904b0]\nComments=a=b\n") << "Comments" << "a=b";
        QTest::newRow("utf-8 value") << QByteArray("Translation=040904b0\n[040904b0]\nCompanyName=Quivané\n")
                                     << "CompanyName" << QString::fromUtf8("Quivané");
        QTest::newRow("first duplicate counts")
            << QByteArray("Translation=040904b0\n[040904b0]\nProductName=one\nProductName=two\n") << "ProductName"
            << "one";
        const char terminated[] = "Translation=040904b0\n[040904b0]\nProductName=P\n\0Comments=junk\n";
        QTest::newRow("text ends at the terminator")
            << QByteArray(terminated, sizeof(terminated) - 1) << "Comments" << "";
    }
    void values()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, property);
        QFETCH(QString, expected);
        TqvFileInfo info;
        info.setFileName(versionFile(block));
        QCOMPARE(info.property(qPrintable(property)).toString(), expected);
    }

    void missingFileRaisesAndKeepsValues_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("no such file") << false;
        QTest::newRow("a folder") << true;
    }
    void missingFileRaisesAndKeepsValues()
    {
        QFETCH(bool, folder);
        TqvFileInfo info;
        info.setFileName(versionFile(kFull));
        const QString name = folder ? m_dir.path() : m_dir.filePath(QStringLiteral("absent %d.bin"));
        QCOMPARE(errorOf([&] { info.setFileName(name); }), QStringLiteral("File %1 does not exist").arg(name));
        QCOMPARE(info.FileName(), name);
        QCOMPARE(info.ProductName(), QStringLiteral("Product One"));
    }

    // A file without version strings says nothing about them: the values
    // of the file read before stay.
    void fileWithoutVersionKeepsValues_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("elf without the section") << "elf";
        QTest::newRow("empty section") << "empty section";
    }
    void fileWithoutVersionKeepsValues()
    {
        QFETCH(QString, kind);
        QString other;
        if (kind == QLatin1String("text")) {
            other = plainFile("not an executable\n");
        } else if (kind == QLatin1String("empty")) {
            other = plainFile({});
        } else if (kind == QLatin1String("elf")) {
            other = m_dir.filePath(QStringLiteral("e%1.bin").arg(m_files++));
            QVERIFY(writeTestElf(other, {{".data", "ProductName=Wrong\n"}}));
        } else {
            other = versionFile({});
        }
        TqvFileInfo info;
        info.setFileName(versionFile(kFull));
        info.setFileName(other);
        QCOMPARE(info.FileName(), other);
        QCOMPARE(info.ProductName(), QStringLiteral("Product One"));
        QCOMPARE(info.FileVersion(), QStringLiteral("2.4.6.8"));
    }

    void fileWithVersionReplacesEveryValue()
    {
        TqvFileInfo info;
        info.setFileName(versionFile(kFull));
        info.setFileName(versionFile("Translation=040904b0\n[040904b0]\nProductName=Second\n"));
        QCOMPARE(info.ProductName(), QStringLiteral("Second"));
        QCOMPARE(info.CompanyName(), QString());
        QCOMPARE(info.Comments(), QString());
    }

    void numericVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("error");
        QTest::newRow("four parts") << "1.0.0.15" << 15 << "";
        QTest::newRow("no dot") << "7" << 7 << "";
        QTest::newRow("blanks around the last part") << "1.2. 3 " << 3 << "";
        QTest::newRow("negative") << "1.-2" << -2 << "";
        QTest::newRow("letters") << "1.0.0.x" << 0 << "'x' is not a valid integer value";
        QTest::newRow("ends in a dot") << "1.0." << 0 << "'' is not a valid integer value";
        QTest::newRow("empty") << "" << 0 << "'' is not a valid integer value";
        QTest::newRow("too large") << "1.99999999999" << 0 << "'99999999999' is not a valid integer value";
    }
    void numericVersion()
    {
        QFETCH(QString, version);
        QFETCH(int, expected);
        QFETCH(QString, error);
        TqvFileInfo info;
        info.setFileName(versionFile("Translation=040904b0\n[040904b0]\nFileVersion=" + version.toUtf8() + "\n"));
        QCOMPARE(info.FileVersion(), version);
        if (error.isEmpty())
            QCOMPARE(info.FileVersionAsNumeric(), expected);
        else
            QCOMPARE(errorOf([&] { (void)info.FileVersionAsNumeric(); }), error);
    }

    void propertiesAreReadOnly()
    {
        TqvFileInfo info;
        QVERIFY(!info.setProperty("ProductName", QStringLiteral("forged")));
        QCOMPARE(info.ProductName(), QStringLiteral("Hourwright"));
        QVERIFY(info.setProperty("FileName", versionFile(kFull)));
        QCOMPARE(info.ProductName(), QStringLiteral("Product One"));
    }
};

QTEST_GUILESS_MAIN(TestFileInfo)
#include "tst_FileInfo.moc"
