#include "components/o_ConnectionSettings.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "toolkit/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Which options file is used, where relative paths in it lead, and where the
// shipped workbook is found, for a portable run and an installed program.
class TestOptionsLocation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    static bool touch(const QString& file, const QByteArray& content = QByteArray())
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
        AppPaths::setApplicationFolderForTests(path("bin"));
        QDir().mkpath(path("bin"));
    }
    void cleanup()
    {
        AppPaths::setApplicationFolderForTests(QString());
        AppPaths::setOptionsFolder(QString());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void theOptionsFileInUse_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("perUser");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("portable run") << true << false << "bin/options.ini";
        QTest::newRow("beside wins over per-user") << true << true << "bin/options.ini";
        QTest::newRow("installed") << false << true << "config/Hourwright/options.ini";
        QTest::newRow("first start: the per-user one to be") << false << false << "config/Hourwright/options.ini";
    }
    void theOptionsFileInUse()
    {
        QFETCH(bool, beside);
        QFETCH(bool, perUser);
        QFETCH(QString, chosen);
        if (beside)
            QVERIFY(touch(path("bin/options.ini")));
        if (perUser)
            QVERIFY(touch(path("config/Hourwright/options.ini")));
        QCOMPARE(OptionsLocation::chosen(), path(chosen));
        QCOMPARE(OptionsLocation::anyExists(), beside || perUser);
        QCOMPARE(OptionsLocation::userDatabaseFile(), path("data/Hourwright/hwr.db"));
    }

    void relativePathsAreTakenFromTheOptionsFolder_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("database");
        QTest::newRow("beside, default") << "bin/options.ini" << "" << "bin/DataBase/hwr.db";
        QTest::newRow("per-user, relative with backslash") << "config/Hourwright/options.ini" << "db\\mine.db"
                                                           << "config/Hourwright/db/mine.db";
        QTest::newRow("per-user, absolute") << "config/Hourwright/options.ini" << "/srv/hw.db" << "/srv/hw.db";
    }
    void relativePathsAreTakenFromTheOptionsFolder()
    {
        QFETCH(QString, options);
        QFETCH(QString, written);
        QFETCH(QString, database);
        QByteArray content = "[ConnectionSettings]\r\nDatabaseType=0\r\n";
        if (!written.isEmpty())
            content += "[ExportSettings]\r\nDataBasePath=" + written.toUtf8() + "\r\n";
        QVERIFY(touch(path(options), content));
        OptionsLocation::useForProgram(OptionsLocation::chosen());
        QCOMPARE(GetOptionsManager()->OptionsFileName(), path(options));
        const QString expected = database.startsWith('/') ? database : path(database);
        QCOMPARE(ConnectionSettings::read(*GetOptionsManager()).resolvedDataBasePath(), expected);
    }

    void shippedWorkbookInBuildTreeAndInstalled_data()
    {
        QTest::addColumn<QString>("shipped");
        QTest::newRow("build tree") << "bin/Reports/Hourwright.xlsx";
        QTest::newRow("installed") << "share/hourwright/Reports/Hourwright.xlsx";
        QTest::newRow("missing") << "";
    }
    void shippedWorkbookInBuildTreeAndInstalled()
    {
        QFETCH(QString, shipped);
        if (!shipped.isEmpty())
            QVERIFY(touch(path(shipped)));
        QCOMPARE(OptionsLocation::workbookTemplate(), shipped.isEmpty() ? QString() : path(shipped));
    }

    void aServerLoginIsReadableByItsOwnerOnly()
    {
        TqvOptionsManager options;
        options.setOptionsFileName(path("options.ini"));
        options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 1);
        options.WriteEncodedValue(Options::ConnectionSection, Options::Password, QStringLiteral("s3cret"));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QCOMPARE(QFile::permissions(path("options.ini")) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
        // Rewriting the file for another value keeps it private.
        options.WriteValue(Options::ConnectionSection, Options::ServerName, QStringLiteral("host"));
        QCOMPARE(QFile::permissions(path("options.ini")) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
    }
};

QTEST_GUILESS_MAIN(TestOptionsLocation)
#include "tst_OptionsLocation.moc"
