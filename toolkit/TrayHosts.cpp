#include "toolkit/TrayHosts.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <X11/Xlib.h>

bool TrayHosts::statusNotifierWatcher(const QDBusConnection& bus)
{
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}

bool TrayHosts::xembedTray()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False)) != None;
}

bool TrayHosts::available(const QDBusConnection& bus)
{
    return (statusNotifierWatcher(bus) || xembedTray()) && QSystemTrayIcon::isSystemTrayAvailable();
}
