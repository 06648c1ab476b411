#include "components/o_QVTimer.h"
#include "components/o_QVTimerThread.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
// Counts the ticks of one timer and where they were delivered.
struct TickLog
{
    int count = 0;
    bool allOnGuiThread = true;
    bool allFromTimer = true;
};

void record(TqvTimer& timer, TickLog& log, QObject* context)
{
    QObject::connect(&timer, &TqvTimer::OnTimer, context, [&timer, &log](QObject* sender) {
        ++log.count;
        log.allOnGuiThread = log.allOnGuiThread && QThread::currentThread() == qApp->thread();
        log.allFromTimer = log.allFromTimer && sender == &timer;
    });
}

// A worker that has been let go ends on its own; once it has, no tick of it
// can come any more.
bool workerEnded(const QPointer<TqvTimerThread>& worker)
{
    return !worker || worker->isFinished();
}

// Waits, without handling events, until the worker is in the given phase.
bool reachesPhase(const TqvTimerThread* worker, TqvTimerThread::Phase phase)
{
    QElapsedTimer limit;
    limit.start();
    while (worker->phase() != phase) {
        if (limit.elapsed() > 5000)
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}
} // namespace

class tst_QVTimer : public QObject
{
    Q_OBJECT

private slots:
    void newTimerHasDefaultsAndDoesNotTick()
    {
        TqvTimer timer;
        QVERIFY(timer.Enabled());
        QCOMPARE(timer.Interval(), 1000u);
        QVERIFY(!timer.isRunning());
    }

    void ticksArriveOnGuiThreadWithTimerAsSender()
    {
        TqvTimer timer;
        TickLog log;
        record(timer, log, this);
        timer.setInterval(5);
        QVERIFY(timer.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(log.count >= 3, 5000);
        QVERIFY(log.allOnGuiThread);
        QVERIFY(log.allFromTimer);
    }

    void disablingStopsTicks_data()
    {
        QTest::addColumn<bool>("byZeroInterval");
        QTest::newRow("Enabled false") << false;
        QTest::newRow("Interval zero") << true;
    }

    void disablingStopsTicks()
    {
        QFETCH(bool, byZeroInterval);
        TqvTimer timer;
        TickLog log;
        record(timer, log, this);
        timer.setInterval(2);
        QTRY_VERIFY_WITH_TIMEOUT(log.count >= 1, 5000);
        QPointer<TqvTimerThread> worker(const_cast<TqvTimerThread*>(timer.currentWorker()));

        if (byZeroInterval)
            timer.setInterval(0);
        else
            timer.setEnabled(false);

        QVERIFY(!timer.Enabled());
        QVERIFY(!timer.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(workerEnded(worker), 5000);
        const int ticksAtStop = log.count;
        QCoreApplication::processEvents();
        QCOMPARE(log.count, ticksAtStop);
    }

    void zeroIntervalOnStoppedTimerKeepsItOff()
    {
        TqvTimer timer;
        timer.setInterval(0);
        QVERIFY(!timer.Enabled());
        QVERIFY(!timer.isRunning());
        timer.setEnabled(true); // still zero: switches itself off again
        QVERIFY(!timer.Enabled());
        QVERIFY(!timer.isRunning());
    }

    void sameIntervalKeepsWorker()
    {
        TqvTimer timer;
        timer.setInterval(60000);
        const TqvTimerThread* worker = timer.currentWorker();
        QVERIFY(worker);
        timer.setInterval(60000);
        QCOMPARE(timer.currentWorker(), worker);
    }

    void restartReplacesWorker_data()
    {
        QTest::addColumn<bool>("byInterval");
        QTest::newRow("Enabled true again") << false;
        QTest::newRow("new Interval") << true;
    }

    void restartReplacesWorker()
    {
        QFETCH(bool, byInterval);
        TqvTimer timer;
        timer.setInterval(60000);
        QPointer<TqvTimerThread> first(const_cast<TqvTimerThread*>(timer.currentWorker()));
        QVERIFY(reachesPhase(first, TqvTimerThread::Phase::Waiting));
        if (byInterval)
            timer.setInterval(50000);
        else
            timer.setEnabled(true);
        QVERIFY(timer.currentWorker());
        QVERIFY(timer.currentWorker() != first.data());
        // The first worker was in a long wait; being let go ends it at once.
        QTRY_VERIFY_WITH_TIMEOUT(workerEnded(first), 5000);
    }

    void restartStartsAFullPeriod()
    {
        TqvTimer timer;
        TickLog log;
        record(timer, log, this);
        timer.setInterval(40);
        QElapsedTimer sinceRestart;
        timer.setEnabled(true);
        sinceRestart.start();
        QTRY_VERIFY_WITH_TIMEOUT(log.count >= 1, 5000);
        QVERIFY2(sinceRestart.elapsed() >= 39, qPrintable(QString::number(sinceRestart.elapsed())));
    }

    void handlerMayChangeTheTimer()
    {
        TqvTimer timer;
        int ticks = 0;
        connect(&timer, &TqvTimer::OnTimer, this, [&] {
            ++ticks;
            if (ticks == 1)
                timer.setInterval(3);
            else if (ticks == 3)
                timer.setEnabled(false);
        });
        timer.setInterval(2);
        QTRY_VERIFY_WITH_TIMEOUT(!timer.isRunning(), 5000);
        QCOMPARE(ticks, 3);
        QCOMPARE(timer.Interval(), 3u);
    }

    void slowHandlerTicksNeverOverlap()
    {
        const int interval = 5;
        TqvTimer timer;
        bool inHandler = false;
        bool overlapped = false;
        int ticks = 0;
        qint64 shortestGap = std::numeric_limits<qint64>::max();
        QElapsedTimer clock;
        clock.start();
        qint64 lastEnd = -1;
        connect(&timer, &TqvTimer::OnTimer, this, [&] {
            overlapped = overlapped || inHandler;
            inHandler = true;
            if (lastEnd >= 0)
                shortestGap = std::min(shortestGap, clock.elapsed() - lastEnd);
            // Three periods of work, handling events meanwhile as a handler
            // with a message box would.
            const qint64 until = clock.elapsed() + 3 * interval;
            while (clock.elapsed() < until)
                QCoreApplication::processEvents();
            ++ticks;
            lastEnd = clock.elapsed();
            inHandler = false;
        });
        timer.setInterval(interval);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 4, 10000);
        timer.setEnabled(false);
        QVERIFY(!overlapped);
        QVERIFY2(shortestGap >= interval - 1, qPrintable(QString::number(shortestGap)));
    }

    void destroyingWhileWorkerWaitsDoesNotHang()
    {
        QPointer<TqvTimerThread> worker;
        QElapsedTimer destruction;
        {
            TqvTimer timer;
            timer.setInterval(3600 * 1000); // an hour: a plain wait would hold us here
            worker = const_cast<TqvTimerThread*>(timer.currentWorker());
            QVERIFY(reachesPhase(worker, TqvTimerThread::Phase::Waiting));
            destruction.start();
        }
        QVERIFY2(destruction.elapsed() < 2000, qPrintable(QString::number(destruction.elapsed())));
        QVERIFY(workerEnded(worker));
    }

    void destroyingWithTickPendingDeliversNothing()
    {
        int ticks = 0;
        QObject receiver;
        auto* timer = new TqvTimer;
        connect(timer, &TqvTimer::OnTimer, &receiver, [&] { ++ticks; });
        timer->setInterval(1);
        QPointer<TqvTimerThread> worker(const_cast<TqvTimerThread*>(timer->currentWorker()));
        // The worker hands a tick over and waits for us; we do not take it.
        QVERIFY(reachesPhase(worker, TqvTimerThread::Phase::HandingOver));
        delete timer;
        QVERIFY(workerEnded(worker));
        if (worker)
            QCOMPARE(worker->phase(), TqvTimerThread::Phase::Ended);
        QCoreApplication::processEvents();
        QCOMPARE(ticks, 0);
    }

    void handlerMayDestroyTheTimer()
    {
        auto* timer = new TqvTimer;
        QPointer<TqvTimer> guard(timer);
        QPointer<TqvTimerThread> worker;
        connect(timer, &TqvTimer::OnTimer, this, [&] { delete guard.data(); });
        timer->setInterval(2);
        worker = const_cast<TqvTimerThread*>(timer->currentWorker());
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(workerEnded(worker), 5000);
    }

    void manyTimersUnderLoad()
    {
        const int timerCount = 40;
        std::vector<std::unique_ptr<TqvTimer>> timers;
        std::vector<TickLog> logs(timerCount);
        for (int i = 0; i < timerCount; ++i) {
            timers.push_back(std::make_unique<TqvTimer>());
            record(*timers.back(), logs[std::size_t(i)], this);
            timers.back()->setInterval(quint32(1 + i % 3));
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(logs.begin(), logs.end(), [](const TickLog& log) { return log.count >= 3; }),
                                 20000);
        // Change them while ticks are in flight, then drop them all at once.
        for (std::size_t i = 0; i < timers.size(); ++i) {
            if (i % 2)
                timers[i]->setInterval(2 + quint32(i % 4));
            else
                timers[i]->setEnabled(true);
        }
        QCoreApplication::processEvents();
        timers.clear();
        QCoreApplication::processEvents();
        for (const TickLog& log : logs) {
            QVERIFY(log.allOnGuiThread);
            QVERIFY(log.allFromTimer);
        }
    }

    void createDestroyLoop()
    {
        std::vector<QPointer<TqvTimerThread>> workers;
        for (int round = 0; round < 300; ++round) {
            auto timer = std::make_unique<TqvTimer>();
            connect(timer.get(), &TqvTimer::OnTimer, this, [] {});
            timer->setInterval(1);
            workers.emplace_back(const_cast<TqvTimerThread*>(timer->currentWorker()));
            if (round % 3 == 0) // leave a tick pending at destruction
                QVERIFY(reachesPhase(timer->currentWorker(), TqvTimerThread::Phase::HandingOver));
            if (round % 2 == 0)
                QCoreApplication::processEvents();
            if (round % 5 == 0)
                timer->setEnabled(false);
        }
        // Every worker ended with its timer; none is left counting.
        for (const QPointer<TqvTimerThread>& worker : workers)
            QVERIFY(workerEnded(worker));
    }
};

QTEST_MAIN(tst_QVTimer)
#include "tst_QVTimer.moc"
