#include "components/TrayIcon.h"
#include "support/DesktopStandIns.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QMainWindow>
#include <QMenu>
#include <QtTest>

// The tray icon as a real desktop sees it: an X server of the test's own
// (Xvfb) and a message bus of its own, on which a tray host's watcher
// appears only after the program has started, as a panel started later does.
class TestTrayHosts : public QObject
{
    Q_OBJECT

    // A property of the tray item, read over the bus like a host does.
    QVariant itemProperty(const QString& service, const QString& name)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                          "org.freedesktop.DBus.Properties", "Get");
        get << QStringLiteral("org.kde.StatusNotifierItem") << name;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::BlockWithGui, 5000);
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    // The labels of a dbusmenu layout node (id, properties, children) and below.
    static QStringList labels(const QDBusArgument& node)
    {
        QStringList found;
        int id = 0;
        QVariantMap properties;
        node.beginStructure();
        node >> id >> properties;
        if (properties.contains("label"))
            found << properties.value("label").toString();
        node.beginArray();
        while (!node.atEnd()) {
            QDBusVariant child;
            node >> child;
            found << labels(child.variant().value<QDBusArgument>());
        }
        node.endArray();
        node.endStructure();
        return found;
    }

private slots:
    void iconTipMenuAndClickThroughAWatcherThatCameLater()
    {
        DesktopStandIns desktop(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
        QMainWindow window;
        window.show();
        QMenu menu;
        menu.addAction("Restore");
        menu.addAction("Start Monitoring");
        TTrayIcon tray;
        tray.setMainWindow(&window);
        tray.setPopupMenu(&menu);
        QVERIFY(!tray.isActive()); // no notification area yet
        tray.ShowMonitoring("Portal", QDateTime(QDate(2009, 5, 11), QTime(9, 26)));

        desktop.startTrayWatcher();
        auto items = [&] {
            QMutexLocker lock(&desktop.mutex);
            return desktop.trayItems;
        };
        QTRY_COMPARE_WITH_TIMEOUT(items().size(), 1, 10000);
        QVERIFY(tray.isActive());
        const QString item = items().first();

        // The tip: (icon name, pixmaps (w, h, bytes), title, text); Qt puts it in the title.
        const QDBusArgument toolTip = itemProperty(item, "ToolTip").value<QDBusArgument>();
        QString iconName, title, text;
        toolTip.beginStructure();
        toolTip >> iconName;
        toolTip.beginArray();
        for (int w, h; !toolTip.atEnd();) {
            QByteArray data;
            toolTip.beginStructure();
            toolTip >> w >> h >> data;
            toolTip.endStructure();
        }
        toolTip.endArray();
        toolTip >> title >> text;
        toolTip.endStructure();
        QCOMPARE(title + text, QStringLiteral("Hourwright: Portal since 09:26"));

        // The menu, exported for the host to show: its items by label.
        const QString menuPath = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
        QVERIFY(!menuPath.isEmpty());
        QDBusMessage layout = QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "GetLayout");
        layout << 0 << -1 << QStringList{"label"};
        const QDBusMessage reply = QDBusConnection::sessionBus().call(layout, QDBus::BlockWithGui, 5000);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        const QStringList shown = labels(reply.arguments().value(1).value<QDBusArgument>());
        QVERIFY2(shown.contains("Restore") && shown.contains("Start Monitoring"), qPrintable(shown.join(", ")));

        // A click as the host passes it on: the window goes away and comes back.
        for (bool visibleAfter : {false, true}) {
            QDBusMessage activate =
                QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate");
            activate << 0 << 0;
            QDBusConnection::sessionBus().call(activate, QDBus::BlockWithGui, 5000);
            QTRY_COMPARE(window.isVisible(), visibleAfter);
        }
    }
};

// The X server and the bus must be there before the application connects.
int main(int argc, char** argv)
{
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
    if (!xvfb.waitForStarted(10000) || !xvfb.waitForReadyRead(10000)) {
        std::fprintf(stderr, "Xvfb did not start: %s\n", qPrintable(xvfb.errorString()));
        return 1;
    }
    qputenv("DISPLAY", ":" + xvfb.readLine().trimmed());
    PrivateBus bus;
    if (bus.address.isEmpty()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int code = 0;
    {
        QApplication app(argc, argv);
        TestTrayHosts test;
        code = QTest::qExec(&test, argc, argv);
    }
    xvfb.kill();
    xvfb.waitForFinished();
    return code;
}

#include "tst_TrayHosts.moc"
