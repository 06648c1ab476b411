#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// How long the desktop has had no keyboard or mouse input.
class IdleSource
{
public:
    virtual ~IdleSource() = default;
    // Milliseconds since the last input, or -1 when it cannot be told now.
    virtual qint64 idleMSecs() = 0;
    virtual QString name() const = 0;

    // The first source of this desktop that answers, in this order: GNOME's
    // idle monitor, the Wayland idle protocol, the freedesktop screen-saver
    // service, the X11 screen-saver extension; null when none does. Tests
    // install a source of their own.
    static std::unique_ptr<IdleSource> detect();
    // The sources detect() tries, by name, for telling why none works.
    static QStringList candidateNames();
    static void setFactoryForTests(std::unique_ptr<IdleSource> (*factory)());
};
