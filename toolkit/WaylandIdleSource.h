#pragma once

#include "toolkit/IdleSource.h"

// Idle time from a Wayland compositor that offers the idle notification
// protocol (ext-idle-notify-v1: wlroots compositors, KDE Plasma 6). The
// compositor only says "idle for a while now" and "back", so the time is
// counted from its idle event, plus the while it waited before sending it.
class WaylandIdleSource : public IdleSource
{
public:
    // The compositor says idle after this many milliseconds without input.
    static constexpr unsigned NoticeAfterMSecs = 5000;

    // Null when this is no Wayland session, the compositor cannot be
    // reached, or it does not offer the protocol.
    static std::unique_ptr<WaylandIdleSource> open();
    ~WaylandIdleSource() override;

    qint64 idleMSecs() override;
    QString name() const override { return QStringLiteral("Wayland idle notification"); }

    struct State;

private:
    explicit WaylandIdleSource(State* state);
    State* d;
};
