#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPair>

// Desktop notifications through the freedesktop notification service, with
// buttons ("actions"). The call never waits on the service: the answer
// comes later, and so does the button pressed.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    // A button: the key reported back, and its caption.
    using Action = QPair<QString, QString>;

    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // Shows a notification; a later one from here replaces it on screen.
    void notify(const QString& summary, const QString& body, const QList<Action>& actions);

signals:
    // The person pressed a button of the notification shown last.
    void actionInvoked(const QString& key);
    // The service did not take the notification (none runs, or it failed);
    // the text says why.
    void notShown(const QString& summary, const QString& body, const QString& why);

private slots:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    uint m_shown = 0; // the service's number of the notification on screen
};
