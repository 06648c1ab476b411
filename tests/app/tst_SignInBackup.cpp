#include "app/mm_main.h"
#include "components/TrayIcon.h"
#include "components/o_DatabaseBackup.h"
#include "framework/o_ComponentCaster.h"
#include "support/LoginDriver.h"
#include "support/MainWindowFixture.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

// The day's copy of the database taken when someone signs in.
class TestSignInBackup : public QObject
{
    Q_OBJECT

private slots:
    void init() { MainWindowFixture::beforeWindowTest(); }
    void cleanup() { MainWindowFixture::afterWindowTest(); }

    void copyAtSignIn_data()
    {
        QTest::addColumn<bool>("blockFolder");
        QTest::addColumn<QStringList>("backups");
        QTest::addColumn<int>("warnings");
        QTest::newRow("first sign-in of the day") << false << QStringList{"hwr-2026-05-11-083000.db"} << 0;
        QTest::newRow("backup folder cannot be made") << true << QStringList{} << 1;
    }
    void copyAtSignIn()
    {
        QFETCH(bool, blockFolder);
        QFETCH(QStringList, backups);
        QFETCH(int, warnings);
        MainWindowFixture fixture;
        const QString folder = DatabaseBackup::defaultFolder(fixture.db().path());
        if (blockFolder) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Clock::setNow(QDateTime(QDate(2026, 5, 11), QTime(8, 30)));
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");

        // The window is usable before the copy is made, on a thread of its
        // own; the status bar tells how it went.
        QTRY_COMPARE(main->Lookup("StatusBarBackup")->AsLabel()->text(),
                     warnings ? QStringLiteral("Today's backup failed") : "Backup made: " + backups.value(0));
        QStringList names;
        for (const QString& path : DatabaseBackup::backupsIn(folder))
            names << QFileInfo(path).fileName();
        QCOMPARE(names, backups);
        QCOMPARE(MessageService::shownForTests().size(), warnings);
        if (warnings) {
            QCOMPARE(MessageService::shownForTests().first().title, QStringLiteral("Hourwright"));
            QCOMPARE(MessageService::shownForTests().first().icon, QMessageBox::Warning);
            QVERIFY(MessageService::shownForTests().first().text.contains("could not be made"));
        }
        // The sign-in went through either way.
        QVERIFY(main->Lookup("btnStartMonitoring")->AsToolButton()->isEnabled());
        QCOMPARE(main->ProjectsQuery()->recordCount(), 2);
    }

    void onceADay()
    {
        MainWindowFixture fixture;
        const QString folder = DatabaseBackup::defaultFolder(fixture.db().path());
        for (const QTime& time : {QTime(8, 0), QTime(13, 0)}) {
            Clock::setNow(QDateTime(QDate(2026, 5, 11), time));
            auto main = TdmMain::create();
            main->ModuleForm()->show();
            signIn(*main, "chidi", "pw");
            QTRY_COMPARE(DatabaseBackup::backupsIn(folder).size(), 1);
        }
        QCOMPARE(DatabaseBackup::backupsIn(folder).size(), 1);
        Clock::setNow(QDateTime(QDate(2026, 5, 12), QTime(8, 0)));
        auto main = TdmMain::create();
        main->ModuleForm()->show();
        signIn(*main, "chidi", "pw");
        QTRY_COMPARE(DatabaseBackup::backupsIn(folder).size(), 2);
    }
};

QTEST_MAIN(TestSignInBackup)
#include "tst_SignInBackup.moc"
