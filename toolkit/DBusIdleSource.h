#pragma once

#include "toolkit/IdleSource.h"

#include <QDBusConnection>

// Idle time from a desktop service on the session bus: GNOME's idle monitor
// (which answers on Wayland too) or the freedesktop screen-saver service.
class DBusIdleSource : public IdleSource
{
public:
    // Null when the bus has no such service or it does not answer.
    static std::unique_ptr<DBusIdleSource> mutter(const QDBusConnection& bus);
    static std::unique_ptr<DBusIdleSource> screenSaver(const QDBusConnection& bus);

    qint64 idleMSecs() override;
    QString name() const override { return m_name; }

private:
    DBusIdleSource(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                   const QString& method, const QString& name);
    static std::unique_ptr<DBusIdleSource> answering(std::unique_ptr<DBusIdleSource> source);

    QDBusConnection m_bus;
    QString m_service, m_path, m_interface, m_method, m_name;
};
