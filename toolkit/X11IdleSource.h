#pragma once

#include "toolkit/IdleSource.h"

// Idle time from the X server's screen-saver extension.
class X11IdleSource : public IdleSource
{
public:
    // Null when there is no X display or it lacks the extension.
    static std::unique_ptr<X11IdleSource> open();
    ~X11IdleSource() override;

    qint64 idleMSecs() override;
    QString name() const override { return QStringLiteral("X11 screen saver"); }

private:
    explicit X11IdleSource(void* display);
    void* m_display;
};
