#include "toolkit/SingleInstance.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// Two starts of the same user meet through the lock file and the socket in
// $XDG_RUNTIME_DIR, which each test points at a folder of its own.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;

    // The id of a process that has ended.
    static qint64 deadProcessId()
    {
        QProcess process;
        process.start(QStringLiteral("true"), {});
        process.waitForFinished();
        return process.processId() ? process.processId() : 999999;
    }

private slots:
    void init()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void secondStartAsksTheFirstToComeForward()
    {
        SingleInstance first(QStringLiteral("hw-test"));
        QVERIFY(first.claim());
        QVERIFY(first.lockFilePath().startsWith(m_runtime.path()));
        QSignalSpy asked(&first, &SingleInstance::activationRequested);

        SingleInstance second(QStringLiteral("hw-test"));
        QVERIFY(!second.claim());
        QTRY_COMPARE(asked.count(), 1);

        // Another program's key is not this one.
        SingleInstance other(QStringLiteral("hw-other"));
        QVERIFY(other.claim());
    }

    void leftoversOfAKilledRunNeverBlock_data()
    {
        QTest::addColumn<bool>("staleLock");
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("lock of a dead process") << true << false;
        QTest::newRow("socket file left behind") << false << true;
        QTest::newRow("both") << true << true;
    }
    void leftoversOfAKilledRunNeverBlock()
    {
        QFETCH(bool, staleLock);
        QFETCH(bool, staleSocket);
        const QString base = m_runtime.filePath(QStringLiteral("hw-stale"));
        if (staleLock) {
            QFile lock(base + ".lock");
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(deadProcessId()) + "\nhourwright\n" + QSysInfo::machineHostName().toUtf8()
                       + "\n");
        }
        if (staleSocket) {
            QFile socket(base + ".socket");
            QVERIFY(socket.open(QIODevice::WriteOnly));
        }
        SingleInstance start(QStringLiteral("hw-stale"));
        QVERIFY(start.claim());
        // And it is reachable: the next start finds it.
        QSignalSpy asked(&start, &SingleInstance::activationRequested);
        SingleInstance next(QStringLiteral("hw-stale"));
        QVERIFY(!next.claim());
        QTRY_COMPARE(asked.count(), 1);
    }

    // Without XDG_RUNTIME_DIR the lock and socket go into a folder of the
    // user's own in the temporary folder; one of that name that another
    // user could have planted, or that others may enter, is passed over.
    void privateFolderWithoutRuntimeDir_data()
    {
        QTest::addColumn<QString>("planted"); // what already has the first name
        QTest::addColumn<QString>("chosen");  // the folder the lock goes into
        QTest::newRow("nothing") << "" << "hw-priv-%1";
        QTest::newRow("own private folder") << "private" << "hw-priv-%1";
        QTest::newRow("own folder open to others") << "open" << "hw-priv-%1.1";
        QTest::newRow("a link to an own folder") << "link" << "hw-priv-%1.1";
        QTest::newRow("a file") << "file" << "hw-priv-%1.1";
        QTest::newRow("another user's folder") << "foreign" << "hw-priv-%1.1";
    }
    void privateFolderWithoutRuntimeDir()
    {
        QFETCH(QString, planted);
        QFETCH(QString, chosen);
        if (planted == "foreign" && ::getuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir temp;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", runtime);
            qputenv("TMPDIR", tmpdir);
        });
        const QString first = temp.filePath(QStringLiteral("hw-priv-%1").arg(::getuid()));
        const QByteArray name = QFile::encodeName(first);
        if (planted == "private" || planted == "open" || planted == "foreign")
            QCOMPARE(::mkdir(name.constData(), planted == "private" ? 0700 : 0777), 0);
        if (planted == "open" || planted == "foreign")
            QCOMPARE(::chmod(name.constData(), planted == "open" ? 0755 : 0700), 0);
        if (planted == "foreign")
            QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
        if (planted == "link") {
            QVERIFY(QDir(temp.path()).mkdir("elsewhere"));
            QCOMPARE(::chmod(QFile::encodeName(temp.filePath("elsewhere")).constData(), 0700), 0);
            QVERIFY(QFile::link(temp.filePath("elsewhere"), first));
        }
        if (planted == "file") {
            QFile file(first);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        SingleInstance start(QStringLiteral("hw-priv"));
        QVERIFY(start.claim());
        const QString folder = temp.filePath(chosen.arg(::getuid()));
        QCOMPARE(QFileInfo(start.lockFilePath()).absolutePath(), folder);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        // A second start chooses the same folder and finds the first.
        QSignalSpy asked(&start, &SingleInstance::activationRequested);
        SingleInstance next(QStringLiteral("hw-priv"));
        QVERIFY(!next.claim());
        QTRY_COMPARE(asked.count(), 1);
    }

    void endedRunFreesTheName()
    {
        {
            SingleInstance first(QStringLiteral("hw-ended"));
            QVERIFY(first.claim());
        }
        SingleInstance again(QStringLiteral("hw-ended"));
        QVERIFY(again.claim());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
