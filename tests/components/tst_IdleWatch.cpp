#include "components/o_IdleWatch.h"
#include "support/FakeIdleSource.h"
#include "toolkit/WaylandIdleSource.h"

#include "ext-idle-notify-v1-server.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <wayland-server.h>

namespace {
const QDateTime t0(QDate(2009, 5, 11), QTime(9, 0));
constexpr qint64 Minute = 60 * 1000;

// A compositor with a seat and, if asked, the idle notification protocol,
// run in a thread of its own; the test makes it say "idle" and "back".
class FakeCompositor
{
public:
    enum Say { Nothing, Idled, Resumed };
    std::atomic<int> say{Nothing};

    explicit FakeCompositor(bool idleProtocol)
        : m_display(wl_display_create())
    {
        m_socket = QString::fromUtf8(wl_display_add_socket_auto(m_display));
        wl_global_create(m_display, &wl_seat_interface, 1, nullptr, [](wl_client* client, void*, uint32_t version, uint32_t id) {
            wl_resource_create(client, &wl_seat_interface, int(version), id);
        });
        if (idleProtocol)
            wl_global_create(m_display, &ext_idle_notifier_v1_interface, 1, this, &FakeCompositor::bindNotifier);
        m_loop = std::thread([this] {
            while (!m_stop) {
                wl_event_loop_dispatch(wl_display_get_event_loop(m_display), 10);
                const int message = say.exchange(Nothing);
                if (m_notification && message == Idled)
                    ext_idle_notification_v1_send_idled(m_notification);
                else if (m_notification && message == Resumed)
                    ext_idle_notification_v1_send_resumed(m_notification);
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~FakeCompositor()
    {
        m_stop = true;
        m_loop.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }
    QString socket() const { return m_socket; }

private:
    static void destroy(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }
    static void getNotification(wl_client* client, wl_resource* notifier, uint32_t id, uint32_t, wl_resource*)
    {
        static const struct ext_idle_notification_v1_interface calls{&destroy};
        auto* self = static_cast<FakeCompositor*>(wl_resource_get_user_data(notifier));
        self->m_notification = wl_resource_create(client, &ext_idle_notification_v1_interface, 1, id);
        wl_resource_set_implementation(self->m_notification, &calls, self, [](wl_resource* resource) {
            static_cast<FakeCompositor*>(wl_resource_get_user_data(resource))->m_notification = nullptr;
        });
    }
    static void bindNotifier(wl_client* client, void* data, uint32_t version, uint32_t id)
    {
        static const struct ext_idle_notifier_v1_interface calls{&destroy, &getNotification};
        wl_resource* notifier = wl_resource_create(client, &ext_idle_notifier_v1_interface, int(version), id);
        wl_resource_set_implementation(notifier, &calls, data, nullptr);
    }

    wl_display* m_display;
    QString m_socket;
    std::thread m_loop;
    std::atomic<bool> m_stop{false};
    wl_resource* m_notification = nullptr;
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
    // or it lacks the protocol; where it has it, idle time counts from the
    // compositor's idle event until input comes back.
    void waylandIdleNotification_data()
    {
        QTest::addColumn<QString>("compositor"); // "none", "other socket", "plain", "idle protocol"
        QTest::newRow("not a Wayland session") << "none";
        QTest::newRow("nobody at the socket") << "other socket";
        QTest::newRow("compositor without the protocol") << "plain";
        QTest::newRow("compositor with the protocol") << "idle protocol";
    }
    void waylandIdleNotification()
    {
        QFETCH(QString, compositor);
        std::unique_ptr<FakeCompositor> server;
        if (compositor == "plain" || compositor == "idle protocol")
            server = std::make_unique<FakeCompositor>(compositor == "idle protocol");
        const QByteArray display = server ? server->socket().toUtf8() : compositor == "none" ? QByteArray() : "hw-nobody";
        qputenv("WAYLAND_DISPLAY", display);
        auto restore = qScopeGuard([] { qunsetenv("WAYLAND_DISPLAY"); });
        std::unique_ptr<WaylandIdleSource> source = WaylandIdleSource::open();
        QCOMPARE(source != nullptr, compositor == "idle protocol");
        if (!source)
            return;
        QCOMPARE(source->idleMSecs(), qint64(0));
        server->say = FakeCompositor::Idled;
        QTRY_VERIFY(source->idleMSecs() >= qint64(WaylandIdleSource::NoticeAfterMSecs));
        server->say = FakeCompositor::Resumed;
        QTRY_COMPARE(source->idleMSecs(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestIdleWatch)
#include "tst_IdleWatch.moc"
