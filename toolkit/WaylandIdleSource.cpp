#include "toolkit/WaylandIdleSource.h"

#include "ext-idle-notify-v1-client.h"

#include <QElapsedTimer>

#include <cstring>
#include <poll.h>
#include <wayland-client.h>

struct WaylandIdleSource::State
{
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    QElapsedTimer idleSince; // valid from the idle event until input comes back

    ~State()
    {
        if (notification)
            ext_idle_notification_v1_destroy(notification);
        if (notifier)
            ext_idle_notifier_v1_destroy(notifier);
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }
};

namespace {

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* state = static_cast<WaylandIdleSource::State*>(data);
    if (!state->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!state->notifier && std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        state->notifier =
            static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener s_registryListener = {onGlobal, onGlobalRemove};

void onIdled(void* data, ext_idle_notification_v1*)
{
    static_cast<WaylandIdleSource::State*>(data)->idleSince.start();
}

void onResumed(void* data, ext_idle_notification_v1*)
{
    static_cast<WaylandIdleSource::State*>(data)->idleSince.invalidate();
}

const ext_idle_notification_v1_listener s_notificationListener = {onIdled, onResumed};

} // namespace

std::unique_ptr<WaylandIdleSource> WaylandIdleSource::open()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    auto state = std::make_unique<State>();
    state->display = wl_display_connect(nullptr);
    if (!state->display)
        return nullptr;
    state->registry = wl_display_get_registry(state->display);
    wl_registry_add_listener(state->registry, &s_registryListener, state.get());
    if (wl_display_roundtrip(state->display) < 0 || !state->seat || !state->notifier)
        return nullptr;
    state->notification =
        ext_idle_notifier_v1_get_idle_notification(state->notifier, NoticeAfterMSecs, state->seat);
    ext_idle_notification_v1_add_listener(state->notification, &s_notificationListener, state.get());
    if (wl_display_roundtrip(state->display) < 0)
        return nullptr;
    return std::unique_ptr<WaylandIdleSource>(new WaylandIdleSource(state.release()));
}

WaylandIdleSource::WaylandIdleSource(State* state)
    : d(state)
{
}

WaylandIdleSource::~WaylandIdleSource()
{
    delete d;
}

qint64 WaylandIdleSource::idleMSecs()
{
    // Reads what the compositor sent since the last call, without waiting.
    wl_display* display = d->display;
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0)
            return -1;
    }
    wl_display_flush(display);
    pollfd ready{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0) {
        if (wl_display_read_events(display) < 0)
            return -1;
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0 || wl_display_get_error(display) != 0)
        return -1;
    return d->idleSince.isValid() ? qint64(NoticeAfterMSecs) + d->idleSince.elapsed() : 0;
}
