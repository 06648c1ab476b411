#include "toolkit/X11IdleSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

std::unique_ptr<X11IdleSource> X11IdleSource::open()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11IdleSource>(new X11IdleSource(display));
}

X11IdleSource::X11IdleSource(void* display)
    : m_display(display)
{
}

X11IdleSource::~X11IdleSource()
{
    XCloseDisplay(static_cast<Display*>(m_display));
}

qint64 X11IdleSource::idleMSecs()
{
    Display* display = static_cast<Display*>(m_display);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info)
        return -1;
    qint64 idle = -1;
    if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info))
        idle = qint64(info->idle);
    XFree(info);
    return idle;
}
