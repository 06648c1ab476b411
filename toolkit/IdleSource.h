#pragma once

#include <QString>

#include <memory>

// How long the desktop has had no keyboard or mouse input.
class IdleSource
{
public:
    virtual ~IdleSource() = default;
    // Milliseconds since the last input, or -1 when it cannot be told now.
    virtual qint64 idleMSecs() = 0;
    virtual QString name() const = 0;

    // The best source this desktop offers: the X11 screen-saver extension,
    // else the freedesktop screen-saver service on D-Bus; null when neither
    // works. Tests install a source of their own.
    static std::unique_ptr<IdleSource> detect();
    static void setFactoryForTests(std::unique_ptr<IdleSource> (*factory)());
};
