#include "toolkit/IdleSource.h"

#include "toolkit/DBusIdleSource.h"
#include "toolkit/DesktopBus.h"
#include "toolkit/WaylandIdleSource.h"
#include "toolkit/X11IdleSource.h"

namespace {
std::unique_ptr<IdleSource> (*s_factory)() = nullptr;
}

std::unique_ptr<IdleSource> IdleSource::detect()
{
    if (s_factory)
        return s_factory();
    // GNOME's monitor first: on GNOME the screen-saver service refuses, and
    // under Wayland X11 sees only the windows of X11 programs.
    const QDBusConnection bus = DesktopBus::session();
    if (auto mutter = DBusIdleSource::mutter(bus))
        return mutter;
    if (auto wayland = WaylandIdleSource::open())
        return wayland;
    if (auto screenSaver = DBusIdleSource::screenSaver(bus))
        return screenSaver;
    // Under Wayland the X server sees only the input of X11 programs: it
    // would call a person typing into any other window idle.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        if (auto x11 = X11IdleSource::open())
            return x11;
    }
    return nullptr;
}

QStringList IdleSource::candidateNames()
{
    return {QStringLiteral("GNOME idle monitor"), QStringLiteral("Wayland idle notification"),
            QStringLiteral("freedesktop screen saver"), QStringLiteral("X11 screen saver")};
}

void IdleSource::setFactoryForTests(std::unique_ptr<IdleSource> (*factory)())
{
    s_factory = factory;
}
