#include "toolkit/AppError.h"
#include "toolkit/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>

#include <unistd.h>
#include <QTemporaryDir>
#include <QtTest>

class TestProfileFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QByteArray& content)
    {
        const QString path = m_dir.filePath(QStringLiteral("t%1.ini").arg(m_files++));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    QByteArray readFile(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    int m_files = 0;

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray basic = "[ConnectionSettings]\r\nServerName=alpha\r\nDatabaseType=1\r\n";
        QTest::newRow("crlf") << basic << "ConnectionSettings" << "ServerName" << "alpha";
        QTest::newRow("lf only") << QByteArray("[A]\nK=v\n") << "A" << "K" << "v";
        QTest::newRow("section case") << basic << "connectionsettings" << "ServerName" << "alpha";
        QTest::newRow("key case") << basic << "ConnectionSettings" << "SERVERNAME" << "alpha";
        QTest::newRow("missing key") << basic << "ConnectionSettings" << "Nope" << "<default>";
        QTest::newRow("missing section") << basic << "Other" << "ServerName" << "<default>";
        QTest::newRow("key of another section") << QByteArray("[A]\nK=1\n[B]\nJ=2\n") << "B" << "K"
                                                << "<default>";
        QTest::newRow("first duplicate key wins") << QByteArray("[A]\nK=first\nK=second\n") << "A" << "K"
                                                  << "first";
        QTest::newRow("first duplicate section wins") << QByteArray("[A]\nK=1\n[B]\n[A]\nK=2\nJ=3\n") << "A"
                                                      << "J" << "<default>";
        QTest::newRow("blanks trimmed") << QByteArray("[A]\n  K  =  spaced value  \n") << "A" << "K"
                                        << "spaced value";
        QTest::newRow("quotes removed") << QByteArray("[A]\nK=\"quoted\"\n") << "A" << "K" << "quoted";
        QTest::newRow("equals in value") << QByteArray("[A]\nK=a=b;c\n") << "A" << "K" << "a=b;c";
        QTest::newRow("empty value") << QByteArray("[A]\nK=\n") << "A" << "K" << "";
        QTest::newRow("utf8") << QByteArray("[A]\nK=Ελληνικά\n") << "A" << "K" << QString::fromUtf8("Ελληνικά");
        QTest::newRow("latin1 file") << QByteArray("[A]\nK=caf\xe9\n") << "A" << "K" << QString::fromUtf8("café");
        QTest::newRow("long value cut at 2047") << ("[A]\nK=" + QByteArray(5000, 'x') + "\n") << "A" << "K"
                                                << QString(2047, QLatin1Char('x'));
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        ProfileFile file(writeFile(content));
        QCOMPARE(file.readString(section, key, QStringLiteral("<default>")), expected);
    }

    void missingFileReadsDefaults()
    {
        ProfileFile file(m_dir.filePath(QStringLiteral("absent.ini")));
        QVERIFY(!file.exists());
        QCOMPARE(file.readString("A", "K", "d"), QStringLiteral("d"));
        QVERIFY(file.sectionNames().isEmpty());
    }

    void writeCreatesFileWithSections()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        ProfileFile file(path);
        file.writeString("ConnectionSettings", "ServerName", "srv");
        file.writeString("ExportSettings", "ExcelPath", "Reports\\Hourwright.xlsx");
        file.writeString("connectionsettings", "DataBaseName", "db");
        QCOMPARE(readFile(path), QByteArray("[ConnectionSettings]\r\nServerName=srv\r\nDataBaseName=db\r\n\r\n"
                                            "[ExportSettings]\r\nExcelPath=Reports\\Hourwright.xlsx\r\n"));
        QCOMPARE(file.sectionNames(), QStringList({"ConnectionSettings", "ExportSettings"}));
    }

    void writeReplacesAndKeepsUnknownLines()
    {
        const QString path = writeFile("; written by hand\n[A]\nkey=old\n# note\nOther=1\n\n[B]\nX=2\n");
        ProfileFile file(path);
        file.writeString("a", "KEY", "new");
        file.writeString("A", "Added", "3");
        QCOMPARE(readFile(path), QByteArray("; written by hand\r\n[A]\r\nKEY=new\r\n# note\r\nOther=1\r\n"
                                            "Added=3\r\n\r\n[B]\r\nX=2\r\n"));
        QCOMPARE(file.readString("A", "key"), QStringLiteral("new"));
    }

    void lineBreakInValueStaysOneLine()
    {
        const QString path = m_dir.filePath(QStringLiteral("lines.ini"));
        ProfileFile file(path);
        file.writeString("A", "K", "one\ntwo");
        file.writeString("A", "J", "after");
        QCOMPARE(file.readString("A", "K"), QStringLiteral("one two"));
        QCOMPARE(file.readString("A", "J"), QStringLiteral("after"));
    }

    // A folder nobody may write into: permissions for ordinary users, the
    // immutable attribute for root (who ignores permissions).
    void failedWriteKeepsOldFileAndRaises()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("options.ini"));
        ProfileFile file(path);
        file.writeString("A", "K", "old");
        const QByteArray before = readFile(path);

        const bool root = geteuid() == 0;
        if (root) {
            if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dir.path()}) != 0)
                QSKIP("cannot make a read-only folder here");
        } else {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        }
        auto restore = qScopeGuard([&] {
            if (root)
                QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir.path()});
            else
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        QVERIFY_THROWS_EXCEPTION(AppError, file.writeString("A", "K", "new"));
        QCOMPARE(readFile(path), before);
        QCOMPARE(file.readString("A", "K"), QStringLiteral("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("options.ini")});
    }

    void failedWriteIntoMissingFolderRaises()
    {
        const QString path = m_dir.filePath(QStringLiteral("no/such/folder/options.ini"));
        ProfileFile file(path);
        try {
            file.writeString("A", "K", "v");
            QFAIL("expected an error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("Unable to write to %1").arg(path));
        }
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_ProfileFile.moc"
