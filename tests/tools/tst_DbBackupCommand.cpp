#include "components/o_DatabaseBackup.h"
#include "support/TestDatabase.h"
#include "toolkit/Clock.h"
#include "support/DbToolRun.h"
#include "tools/DbTool.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestDbBackupCommand : public QObject
{
    Q_OBJECT

    static int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr)
    {
        return runDbTool(args, out, err);
    }

    static qint64 intervalsIn(const QString& path)
    {
        DbConnection copy;
        copy.openSqlite(path);
        QSqlQuery query = copy.exec("select count(*) from PROJECTWORK");
        return query.next() ? query.value(0).toLongLong() : -1;
    }

private slots:
    void cleanup() { Clock::reset(); }

    void destinations_data()
    {
        QTest::addColumn<QString>("destination"); // "" for the default, relative to the database's folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("default: Backups beside the database") << "" << "Backups/hwr-2026-05-11-093005.db";
        QTest::newRow("an existing folder") << "elsewhere" << "elsewhere/hwr-2026-05-11-093005.db";
        QTest::newRow("a file name") << "elsewhere/monday.db" << "elsewhere/monday.db";
    }
    void destinations()
    {
        QFETCH(QString, destination);
        QFETCH(QString, expected);
        TestDatabase db;
        db.exec("insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,COMPLETED) values (1,1,1),(2,2,0)");
        QDir(db.folder()).mkpath("elsewhere");
        Clock::setNow(QDateTime(QDate(2026, 5, 11), QTime(9, 30, 5)));
        QStringList args{"backup", db.path()};
        if (!destination.isEmpty())
            args << QDir(db.folder()).filePath(destination);
        QString out;
        QCOMPARE(run(args, &out), 0);
        const QString written = QDir(db.folder()).filePath(expected);
        QVERIFY2(out.contains(written), qPrintable(out));
        QCOMPARE(DatabaseBackup::integrityProblem(written), QString());
        QCOMPARE(intervalsIn(written), 2);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args"); // %1 stands for the test folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no path") << QStringList{"backup"} << 2 << "needs PATH";
        QTest::newRow("too many") << QStringList{"backup", "%1/test.db", "%1/a.db", "%1/b.db"} << 2 << "at most one";
        QTest::newRow("no database") << QStringList{"backup", "%1/none.db"} << 1 << "does not exist";
        QTest::newRow("destination folder missing") << QStringList{"backup", "%1/test.db", "%1/gone/a.db"} << 1
                                                    << "backup folder";
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        TestDatabase db;
        for (QString& arg : args)
            arg.replace("%1", db.folder());
        QString err;
        QCOMPARE(run(args, nullptr, &err), code);
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(!QFileInfo::exists(QDir(db.folder()).filePath("gone")));
    }
};

QTEST_GUILESS_MAIN(TestDbBackupCommand)
#include "tst_DbBackupCommand.moc"
