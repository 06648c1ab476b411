#include "components/o_DailyBackup.h"
#include "components/o_DatabaseBackup.h"
#include "support/TestDatabase.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void addIntervals(TestDatabase& db, int count)
{
    TransactionGuard transaction(db.connection());
    for (int i = 0; i < count; ++i)
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,COMMENTS,COMPLETED) values (1,1,?,?,1)",
                {QStringLiteral("2026-05-11 08:00:00.000"), QString(200, QLatin1Char('x'))});
    transaction.commit();
}

qint64 rowsIn(const QString& path)
{
    DbConnection copy;
    copy.openSqlite(path);
    QSqlQuery query = copy.exec("select count(*) from PROJECTWORK");
    return query.next() ? query.value(0).toLongLong() : -1;
}

// What a folder holds besides finished backups: nothing a failed copy left.
QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestDatabaseBackup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void backupNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isBackup");
        QTest::newRow("made by the program") << "hwr-2026-05-11-093005.db" << true;
        QTest::newRow("another prefix") << "abc-2026-05-11-093005.db" << false;
        QTest::newRow("time without seconds") << "hwr-2026-05-11-0930.db" << false;
        QTest::newRow("unfinished copy") << ".hwr-backup-AbCdEf.part" << false;
        QTest::newRow("a copy by hand") << "hwr-2026-05-11-093005 (copy).db" << false;
    }
    void backupNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isBackup);
        QCOMPARE(DatabaseBackup::isBackupName(name), isBackup);
    }

    void nameCarriesTheMoment()
    {
        QCOMPARE(DatabaseBackup::fileNameFor(at("2026-05-11 09:30:05")), QStringLiteral("hwr-2026-05-11-093005.db"));
        QCOMPARE(DatabaseBackup::defaultFolder("/data/DataBase/hwr.db"), QStringLiteral("/data/DataBase/Backups"));
    }

    // Another connection keeps committing batches of three rows while the copy
    // is taken: the copy holds every batch committed before it began, and
    // only whole batches.
    void copyWhileAnotherConnectionWrites()
    {
        TestDatabase db;
        addIntervals(db, 3000);
        std::atomic<bool> stop{false};
        std::atomic<int> committed{0};
        std::atomic<bool> writerFailed{false};
        std::thread writer([&] {
            try {
                DbConnection own;
                own.openSqlite(db.path());
                while (!stop) {
                    TransactionGuard transaction(own);
                    for (int i = 0; i < 3; ++i)
                        own.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (2,2,0)");
                    transaction.commit();
                    ++committed;
                }
            } catch (...) {
                writerFailed = true;
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(committed >= 20 || writerFailed, 10000);
        const int before = committed;
        const QString target = QDir(db.folder()).filePath("copy.db");
        QString error;
        try {
            DatabaseBackup::copy(db.path(), target);
        } catch (const AppError& e) {
            error = e.message();
        }
        const int after = committed;
        stop = true;
        writer.join();
        QVERIFY(!writerFailed);
        QCOMPARE(error, QString());

        QCOMPARE(DatabaseBackup::integrityProblem(target), QString());
        const qint64 copied = rowsIn(target);
        QVERIFY(copied >= 3000 + 3 * before);
        QVERIFY(copied <= 3000 + 3 * (after + 1));
        QCOMPARE((copied - 3000) % 3, 0);
        // One file: the copy needs no journal beside it.
        QVERIFY(!QFileInfo::exists(target + "-wal"));
        DbConnection copy;
        copy.openSqlite(target);
        QSqlQuery ids = copy.exec("select min(ID), max(ID), count(*) from PROJECTWORK");
        QVERIFY(ids.next());
        QCOMPARE(ids.value(0).toLongLong(), 1);
        QCOMPARE(ids.value(1).toLongLong(), ids.value(2).toLongLong());
    }

    void failedCopyNeverReplacesAGoodOne_data()
    {
        QTest::addColumn<QString>("source");      // "db", "small", "garbage", "corrupt" or "stop"
        QTest::addColumn<QString>("destination"); // relative to the backup folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("destination folder missing") << "db" << "missing/hwr.db" << "does not exist";
        QTest::newRow("destination folder is a file") << "db" << "good.db/hwr.db" << "does not exist";
        QTest::newRow("destination is a folder") << "db" << "." << "is a folder";
        QTest::newRow("source is no database") << "garbage" << "good.db" << "not a database";
        QTest::newRow("source is damaged") << "corrupt" << "good.db" << "failed its check";
        QTest::newRow("copy smaller than the good one") << "small" << "good.db" << "is kept";
        QTest::newRow("stopped on the way") << "stop" << "good.db" << "stopped";
    }
    void failedCopyNeverReplacesAGoodOne()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, reason);
        TestDatabase db;
        addIntervals(db, 400);
        QTemporaryDir backups;
        const QString good = backups.filePath("good.db");
        QVERIFY_SQL(DatabaseBackup::copy(db.path(), good));
        const QByteArray goodBytes = contentsOf(good);

        QString sourcePath = db.path();
        TestDatabase small;
        if (source == "small") {
            sourcePath = small.path();
        } else if (source == "garbage") {
            sourcePath = backups.filePath("garbage.bin");
            writeFile(sourcePath, QByteArray(8192, 'z'));
        } else if (source == "corrupt") {
            // A copy of the good file with its table pages scribbled over.
            sourcePath = backups.filePath("corrupt.db");
            QByteArray bytes = goodBytes;
            for (qsizetype i = 4096 * 3; i < bytes.size() - 4096; i += 7)
                bytes[i] = char(0xA5);
            writeFile(sourcePath, bytes);
        }

        QString error;
        try {
            DatabaseBackup::copy(sourcePath, backups.filePath(destination), [&source](int, int) {
                return source != "stop";
            });
        } catch (const AppError& e) {
            error = e.message();
        }
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(contentsOf(good), goodBytes);
        QCOMPARE(DatabaseBackup::integrityProblem(good), QString());
        QCOMPARE(leftovers(backups.path()), QStringList());
        QVERIFY(!QFileInfo::exists(backups.filePath("missing")));
    }

    void copyReplacesWhatIsNoGoodBackup_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("broken file") << QByteArray(1 << 20, 'q');
        QTest::newRow("empty file") << QByteArray();
    }
    void copyReplacesWhatIsNoGoodBackup()
    {
        QFETCH(QByteArray, existing);
        TestDatabase db;
        addIntervals(db, 10);
        QTemporaryDir backups;
        const QString target = backups.filePath("hwr.db");
        writeFile(target, existing);
        QVERIFY_SQL(DatabaseBackup::copy(db.path(), target));
        QCOMPARE(rowsIn(target), 10);
    }

    void largerCopyReplacesTheOlderOne()
    {
        TestDatabase db;
        QTemporaryDir backups;
        const QString target = backups.filePath("hwr.db");
        QVERIFY_SQL(DatabaseBackup::copy(db.path(), target));
        addIntervals(db, 500);
        QVERIFY_SQL(DatabaseBackup::copy(db.path(), target));
        QCOMPARE(rowsIn(target), 500);
    }

    void dailyCopyOncePerDayKeepsSeven()
    {
        TestDatabase db;
        const QString folder = DatabaseBackup::defaultFolder(db.path());
        QStringList made;
        for (int day = 1; day <= 10; ++day) {
            Clock::setNow(QDateTime(QDate(2026, 5, day), QTime(8, 15, 0)));
            const QString written = DatabaseBackup::dailyCopy(db.path(), folder);
            QCOMPARE(QFileInfo(written).fileName(), QStringLiteral("hwr-2026-05-%1-081500.db").arg(day, 2, 10, QChar('0')));
            made << written;
            // A second sign-in the same day makes no second copy.
            Clock::advance(3 * 3600 * 1000);
            QCOMPARE(DatabaseBackup::dailyCopy(db.path(), folder), QString());
            QCOMPARE(DatabaseBackup::backupsIn(folder).size(), qMin(day, DatabaseBackup::KeepCount));
        }
        QCOMPARE(DatabaseBackup::backupsIn(folder), made.mid(3));
    }

    void rotation_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // of the backups, oldest first
        QTest::addColumn<QList<int>>("removed");
        QTest::newRow("fewer than seven") << QList<int>{10, 10, 10} << QList<int>{};
        QTest::newRow("exactly seven") << QList<int>(7, 10) << QList<int>{};
        QTest::newRow("oldest go first") << QList<int>(9, 10) << QList<int>{0, 1};
        QTest::newRow("the largest old one is spared") << QList<int>{50, 90, 50, 50, 50, 50, 50, 50, 50, 50}
                                                       << QList<int>{0, 2};
        QTest::newRow("a kept one as large makes sparing needless") << QList<int>{90, 50, 50, 50, 50, 50, 50, 50, 90}
                                                                   << QList<int>{0, 1};
    }
    void rotation()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, removed);
        QTemporaryDir folder;
        QStringList paths;
        for (int i = 0; i < sizes.size(); ++i) {
            paths << folder.filePath(DatabaseBackup::fileNameFor(QDateTime(QDate(2026, 1, 1 + i), QTime(12, 0))));
            writeFile(paths.last(), QByteArray(sizes.at(i) * 1024, 'b'));
        }
        // Files of other names are not part of the set.
        writeFile(folder.filePath("hwr-before-upgrade.db"), "x");
        writeFile(folder.filePath("notes.txt"), "x");

        QStringList expected;
        for (int index : removed)
            expected << paths.at(index);
        QCOMPARE(DatabaseBackup::rotate(folder.path()), expected);
        for (int i = 0; i < paths.size(); ++i)
            QCOMPARE(QFileInfo::exists(paths.at(i)), !removed.contains(i));
        QVERIFY(QFileInfo::exists(folder.filePath("hwr-before-upgrade.db")));
        QVERIFY(QFileInfo::exists(folder.filePath("notes.txt")));
    }

    // The day's copy runs on its own thread and tells how it went.
    void dailyBackupOnItsOwnThread_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("blockFolder");
        QTest::addColumn<bool>("copied");
        QTest::addColumn<bool>("reported");
        QTest::newRow("embedded file") << 0 << false << true << false;
        QTest::newRow("SQL Server kind") << 1 << false << false << false;
        QTest::newRow("backup folder blocked") << 0 << true << false << true;
    }
    void dailyBackupOnItsOwnThread()
    {
        QFETCH(int, kind);
        QFETCH(bool, blockFolder);
        QFETCH(bool, copied);
        QFETCH(bool, reported);
        TestDatabase db;
        Clock::setNow(at("2026-05-11 09:30:05"));
        const QString folder = DatabaseBackup::defaultFolder(db.path());
        if (blockFolder)
            writeFile(folder, "a file where the folder should be");
        QCOMPARE(QFileInfo(DatabaseBackup::databaseFileOf(db.connection())).canonicalFilePath(),
                 QFileInfo(db.path()).canonicalFilePath());

        TDailyBackup backup;
        QSignalSpy finished(&backup, &BackgroundJob::finished);
        QCOMPARE(backup.start(kind, db.connection()), kind == 0);
        if (kind == 0)
            QTRY_COMPARE(finished.size(), 1);
        const QString written = QDir(folder).filePath("hwr-2026-05-11-093005.db");
        QCOMPARE(QFileInfo::exists(written), copied);
        if (copied) {
            QCOMPARE(finished.first().at(0).toString(), written);
            // The copies are their owner's alone.
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
            QCOMPARE(QFileInfo(written).permissions() & 0x0077, QFileDevice::Permissions());
        }
        QCOMPARE(!finished.isEmpty() && !finished.first().at(1).toString().isEmpty(), reported);
        if (reported)
            QVERIFY(finished.first().at(1).toString().contains("could not be made"));
    }

    // A Backups folder an older version made open to others is closed.
    void olderBackupFolderIsMadePrivate()
    {
        TestDatabase db;
        const QString folder = DatabaseBackup::defaultFolder(db.path());
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7755)));
        QVERIFY(!DatabaseBackup::dailyCopy(db.path(), folder).isEmpty());
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "tst_DatabaseBackup.moc"
