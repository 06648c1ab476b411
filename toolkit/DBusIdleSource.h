#pragma once

#include "toolkit/IdleSource.h"

// Idle time from the freedesktop screen-saver service on the session bus.
class DBusIdleSource : public IdleSource
{
public:
    // Null when the session bus has no such service.
    static std::unique_ptr<DBusIdleSource> open();

    qint64 idleMSecs() override;
    QString name() const override { return QStringLiteral("freedesktop screen saver"); }
};
