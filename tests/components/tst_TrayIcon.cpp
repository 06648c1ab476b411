#include "components/TrayIcon.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QtTest>

namespace {
// Records the events in the order they come.
class RecordingTray : public TTrayIcon
{
public:
    QStringList events;
    int updates = 0;
    RecordingTray()
    {
        OnClick = [this](QObject*) { events << "Click"; };
        OnDblClick = [this](QObject*) { events << "DblClick"; };
        OnMouseDown = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
            events << QStringLiteral("MouseDown%1").arg(int(b));
        };
        OnMouseUp = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
            events << QStringLiteral("MouseUp%1").arg(int(b));
        };
        OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { events << "MouseMove"; };
    }
    void UpdateIcon() override
    {
        ++updates;
        TTrayIcon::UpdateIcon();
    }
};
} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { TTrayIcon::setNotificationAreaForTests(-1); }

    void mouseMessages_data()
    {
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("double click")
            << QList<int>{TTrayIcon::WM_LBUTTONDOWN, TTrayIcon::WM_LBUTTONUP, TTrayIcon::WM_LBUTTONDBLCLK,
                          TTrayIcon::WM_LBUTTONUP}
            << QStringList{"MouseDown1", "Click", "MouseUp1", "DblClick", "MouseUp1"};
        QTest::newRow("up without down") << QList<int>{TTrayIcon::WM_LBUTTONUP} << QStringList{"MouseUp1"};
        QTest::newRow("right button") << QList<int>{TTrayIcon::WM_RBUTTONDOWN, TTrayIcon::WM_RBUTTONUP}
                                      << QStringList{"MouseDown2", "MouseUp2"};
        QTest::newRow("middle button") << QList<int>{TTrayIcon::WM_MBUTTONDOWN, TTrayIcon::WM_MBUTTONUP,
                                                     TTrayIcon::WM_MBUTTONDBLCLK}
                                       << QStringList{"MouseDown4", "MouseUp4", "DblClick"};
        QTest::newRow("move and unknown") << QList<int>{TTrayIcon::WM_MOUSEMOVE, 0x0400}
                                          << QStringList{"MouseMove"};
    }
    void mouseMessages()
    {
        QFETCH(QList<int>, messages);
        QFETCH(QStringList, events);
        RecordingTray tray;
        for (int message : messages)
            tray.WndProc(message);
        QCOMPARE(tray.events, events);
    }

    void rightButtonPopsTheMenuUp()
    {
        RecordingTray tray;
        tray.WndProc(TTrayIcon::WM_RBUTTONDOWN);
        QCOMPARE(tray.popupCountForTests(), 0); // no menu set: only the event
        QMenu menu;
        menu.addAction("Restore");
        tray.setPopupMenu(&menu);
        tray.WndProc(TTrayIcon::WM_RBUTTONDOWN);
        QCOMPARE(tray.popupCountForTests(), 1);
        menu.hide();
    }

    void hintIsCutAndUnchangedHintSendsNothing()
    {
        RecordingTray tray;
        const QString longHint(100, QLatin1Char('h'));
        tray.SetHint(longHint);
        QCOMPARE(tray.Hint(), longHint);
        QCOMPARE(tray.tip().size(), 63);
        QCOMPARE(tray.updates, 1);
        tray.SetHint(longHint);
        QCOMPARE(tray.updates, 1);
        tray.SetHint(QString());
        QCOMPARE(tray.tip(), QString());
    }

    void withoutNotificationAreaMinimizeKeepsWindowReachable()
    {
        TTrayIcon::setNotificationAreaForTests(0);
        QMainWindow window;
        window.show();
        TTrayIcon tray;
        QVERIFY(!tray.isActive());
        tray.setMainWindow(&window);
        int minimized = 0, restored = 0;
        tray.OnMinimize = [&](QObject*) { ++minimized; };
        tray.OnRestore = [&](QObject*) { ++restored; };
        tray.Minimize();
        QVERIFY(window.isMinimized());
        QVERIFY(window.isVisible());
        tray.Restore();
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QCOMPARE(minimized, 1);
        QCOMPARE(restored, 1);
    }

    void withNotificationAreaMinimizeHides()
    {
        TTrayIcon::setNotificationAreaForTests(1);
        QMainWindow window;
        window.show();
        TTrayIcon tray;
        QVERIFY(tray.isActive());
        tray.setMainWindow(&window);
        tray.Minimize();
        QVERIFY(!window.isVisible());
        tray.Restore();
        QVERIFY(window.isVisible());
        // The title bar's minimise button hides it too.
        window.showMinimized();
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_TrayIcon.moc"
