#include "toolkit/IdleSource.h"

#include "toolkit/DBusIdleSource.h"
#include "toolkit/X11IdleSource.h"

namespace {
std::unique_ptr<IdleSource> (*s_factory)() = nullptr;
}

std::unique_ptr<IdleSource> IdleSource::detect()
{
    if (s_factory)
        return s_factory();
    if (auto x11 = X11IdleSource::open())
        return x11;
    if (auto dbus = DBusIdleSource::open())
        return dbus;
    return nullptr;
}

void IdleSource::setFactoryForTests(std::unique_ptr<IdleSource> (*factory)())
{
    s_factory = factory;
}
