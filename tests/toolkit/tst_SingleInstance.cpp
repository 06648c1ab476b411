#include "toolkit/SingleInstance.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

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
