#include "components/o_IdleWatch.h"
#include "support/FakeIdleSource.h"
#include "toolkit/WaylandIdleSource.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <wayland-server.h>

namespace {
const QDateTime t0(QDate(2009, 5, 11), QTime(9, 0));
constexpr qint64 Minute = 60 * 1000;

// A compositor that offers nothing, not even the idle protocol, in a thread of its own.
class PlainCompositor
{
public:
    PlainCompositor()
        : m_display(wl_display_create())
        , m_socket(wl_display_add_socket_auto(m_display))
        , m_loop([this] {
            while (!m_stop) {
                wl_event_loop_dispatch(wl_display_get_event_loop(m_display), 10);
                wl_display_flush_clients(m_display);
            }
        })
    {
    }
    ~PlainCompositor()
    {
        m_stop = true;
        m_loop.join();
        wl_display_destroy(m_display);
    }
    const char* socket() const { return m_socket; }

private:
    wl_display* m_display;
    const char* m_socket;
    std::atomic<bool> m_stop{false};
    std::thread m_loop;
};
} // namespace

class TestIdleWatch : public QObject
{
    Q_OBJECT

private slots:
    // Each row: ticks one second apart, with the idle time the desktop reports.
    void awayIsReportedOnReturn_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QList<qint64>>("idle");
        QTest::addColumn<int>("reportedAt"); // tick index, -1: never
        QTest::addColumn<qint64>("sinceOffset"); // since, ms from t0
        QTest::newRow("off") << 0 << QList<qint64>{20 * Minute, 0} << -1 << qint64(0);
        QTest::newRow("short pause") << 10 << QList<qint64>{5 * Minute, 0} << -1 << qint64(0);
        QTest::newRow("away and back") << 10 << QList<qint64>{0, 12 * Minute, 12 * Minute + 1000, 500} << 3
                                       << qint64(1000 - 12 * Minute);
        QTest::newRow("still away") << 10 << QList<qint64>{11 * Minute, 11 * Minute + 1000} << -1 << qint64(0);
        QTest::newRow("source unavailable") << 10 << QList<qint64>{-1, -1} << -1 << qint64(0);
    }
    void awayIsReportedOnReturn()
    {
        QFETCH(int, threshold);
        QFETCH(QList<qint64>, idle);
        QFETCH(int, reportedAt);
        QFETCH(qint64, sinceOffset);
        TqvIdleWatch watch;
        watch.setThresholdMinutes(threshold);
        watch.setSource(FakeIdleSource::make());
        int reported = -1;
        QDateTime since;
        for (int i = 0; i < idle.size(); ++i) {
            FakeIdleSource::idle = idle.at(i);
            if (const auto away = watch.tick(t0.addSecs(i))) {
                QCOMPARE(reported, -1);
                reported = i;
                since = away->since;
                QCOMPARE(away->until, t0.addSecs(i).addMSecs(-idle.at(i)));
            }
        }
        QCOMPARE(reported, reportedAt);
        if (reportedAt >= 0)
            QCOMPARE(since, t0.addMSecs(sinceOffset));
    }

    void suspendCountsAsAway()
    {
        TqvIdleWatch watch; // no source at all: only the clock gap tells
        watch.setThresholdMinutes(10);
        QVERIFY(!watch.tick(t0));
        QVERIFY(!watch.tick(t0.addSecs(1)));
        const auto away = watch.tick(t0.addSecs(1 + 45 * 60));
        QVERIFY(away);
        QCOMPARE(away->since, t0.addSecs(1));
        QCOMPARE(away->until, t0.addSecs(1 + 45 * 60));
        QVERIFY(!watch.tick(t0.addSecs(2 + 45 * 60)));
    }

    void resetForgetsAnAbsence()
    {
        TqvIdleWatch watch;
        watch.setThresholdMinutes(1);
        watch.setSource(FakeIdleSource::make());
        FakeIdleSource::idle = 2 * Minute;
        QVERIFY(!watch.tick(t0));
        watch.reset();
        FakeIdleSource::idle = 0;
        QVERIFY(!watch.tick(t0.addSecs(1)));
    }

    // The Wayland source is tried and declines where there is no compositor
    // or it lacks the idle protocol, so the next source is tried.
    void waylandSourceDeclines_data()
    {
        QTest::addColumn<QString>("compositor");
        QTest::newRow("not a Wayland session") << "none";
        QTest::newRow("nobody at the socket") << "hw-nobody";
        QTest::newRow("compositor without the protocol") << "plain";
    }
    void waylandSourceDeclines()
    {
        QFETCH(QString, compositor);
        std::unique_ptr<PlainCompositor> server(compositor == "plain" ? new PlainCompositor : nullptr);
        qputenv("WAYLAND_DISPLAY", server ? server->socket() : compositor == "none" ? "" : "hw-nobody");
        auto restore = qScopeGuard([] { qunsetenv("WAYLAND_DISPLAY"); });
        QVERIFY(!WaylandIdleSource::open());
    }
};

QTEST_GUILESS_MAIN(TestIdleWatch)
#include "tst_IdleWatch.moc"
