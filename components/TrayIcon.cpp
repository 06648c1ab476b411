#include "components/TrayIcon.h"

#include "components/o_AppIcons.h"
#include "toolkit/AppError.h"
#include "toolkit/DesktopBus.h"
#include "toolkit/TrayHosts.h"

#include <QApplication>
#include <QCursor>
#include <QDBusServiceWatcher>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {
int s_availableOverride = -1;
// How often a desktop without a notification area is looked at again.
constexpr int LookAgainMSecs = 5000;
}

bool TTrayIcon::notificationAreaAvailable()
{
    if (s_availableOverride >= 0)
        return s_availableOverride == 1;
    return TrayHosts::available(DesktopBus::session());
}

void TTrayIcon::setNotificationAreaForTests(int available)
{
    s_availableOverride = available;
}

TTrayIcon::TTrayIcon(QObject* owner)
    : QObject(owner)
    , m_icon(QApplication::windowIcon())
{
    m_tip = QApplication::applicationDisplayName().left(MaxTipLength);
    if (notificationAreaAvailable()) {
        createTray();
        return;
    }
    // A panel started after the program (a session's autostart, a restarted
    // panel) still gets the icon: a host's watcher is noticed as it comes,
    // an XEmbed tray at the next look.
    m_lookAgain = new QTimer(this);
    m_lookAgain->setInterval(LookAgainMSecs);
    connect(m_lookAgain, &QTimer::timeout, this, &TTrayIcon::LookForNotificationArea);
    m_lookAgain->start();
    auto* watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), DesktopBus::session(),
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TTrayIcon::LookForNotificationArea);
}

void TTrayIcon::createTray()
{
    m_tray = new QSystemTrayIcon(m_icon, this);
    m_tray->setToolTip(m_tip);
    if (m_popupMenu)
        m_tray->setContextMenu(m_popupMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        onActivated(int(reason));
    });
    m_tray->show();
    if (!m_tray->isVisible())
        throw AppError(QStringLiteral("Cannot create shell notification icon"));
}

void TTrayIcon::LookForNotificationArea()
{
    if (m_tray || !notificationAreaAvailable())
        return;
    if (m_lookAgain)
        m_lookAgain->stop();
    createTray();
    if (OnNotificationAreaFound)
        OnNotificationAreaFound(this);
}

void TTrayIcon::ShowBalloon(const QString& title, const QString& text)
{
    if (isActive())
        m_tray->showMessage(title, text, m_icon);
}

void TTrayIcon::ToggleMainWindow()
{
    if (!m_mainWindow)
        return;
    if (m_mainWindow->isVisible() && !m_mainWindow->isMinimized())
        Minimize();
    else
        Restore();
}

TTrayIcon::~TTrayIcon()
{
    RemoveIcon();
    if (m_mainWindow)
        m_mainWindow->removeEventFilter(this);
}

bool TTrayIcon::isActive() const
{
    return m_tray && m_tray->isVisible();
}

void TTrayIcon::SetHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    composeTip();
    UpdateIcon();
}

void TTrayIcon::setNote(const QString& note)
{
    if (note == m_note)
        return;
    m_note = note;
    composeTip();
    UpdateIcon();
}

void TTrayIcon::composeTip()
{
    m_tip = m_hint.left(MaxTipLength);
    if (!m_note.isEmpty())
        m_tip += QLatin1Char('\n') + m_note.left(MaxTipLength);
}

void TTrayIcon::SetIcon(const QIcon& icon)
{
    m_icon = icon;
    UpdateIcon();
}

void TTrayIcon::UpdateIcon()
{
    if (!m_tray)
        return;
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_tip);
}

void TTrayIcon::setPopupMenu(QMenu* menu)
{
    m_popupMenu = menu;
    if (m_tray)
        m_tray->setContextMenu(menu);
}

QString TTrayIcon::monitoringTip(const QString& project, const QDateTime& since)
{
    const QString prefix = QStringLiteral("Hourwright: ");
    const QString suffix = QStringLiteral(" since ") + since.toString(QStringLiteral("HH:mm"));
    QString name = project.simplified();
    if (name.isEmpty())
        name = QStringLiteral("monitoring");
    const int room = MaxTipLength - int(prefix.size() + suffix.size());
    if (name.size() > room)
        name = name.left(room - 1) + QChar(0x2026);
    return prefix + name + suffix;
}

void TTrayIcon::ShowMonitoring(const QString& project, const QDateTime& since)
{
    m_showsMonitoring = true;
    m_icon = AppIcons::monitoring();
    m_hint = monitoringTip(project, since);
    composeTip();
    UpdateIcon();
}

void TTrayIcon::ShowIdle()
{
    m_showsMonitoring = false;
    m_icon = AppIcons::idle();
    m_hint = QStringLiteral("Hourwright: not monitoring");
    composeTip();
    UpdateIcon();
}

void TTrayIcon::RemoveIcon()
{
    if (m_tray)
        m_tray->hide();
}

void TTrayIcon::setMainWindow(QWidget* window)
{
    if (m_mainWindow)
        m_mainWindow->removeEventFilter(this);
    m_mainWindow = window;
    if (m_mainWindow)
        m_mainWindow->installEventFilter(this);
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    // Minimising the main window hides it to the notification area.
    if (watched == m_mainWindow && event->type() == QEvent::WindowStateChange && isActive()
        && m_mainWindow->isMinimized()) {
        QMetaObject::invokeMethod(this, &TTrayIcon::Minimize, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void TTrayIcon::PopupAtCursor()
{
    if (!m_popupMenu)
        return;
    ++m_popups;
    // The desktop may have shown the context menu already.
    if (!m_popupMenu->isVisible())
        m_popupMenu->popup(QCursor::pos());
}

void TTrayIcon::Click()
{
    // A click on the icon shows the main window, or puts it away.
    ToggleMainWindow();
    if (OnClick)
        OnClick(this);
}

void TTrayIcon::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TTrayIcon::MouseMove(Qt::KeyboardModifiers shift, const QPoint& at)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, at.x(), at.y());
}

void TTrayIcon::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& at)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, at.x(), at.y());
}

void TTrayIcon::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& at)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, at.x(), at.y());
}

void TTrayIcon::WndProc(int message)
{
    const Qt::KeyboardModifiers shift = QApplication::queryKeyboardModifiers();
    const QPoint at = QCursor::pos();
    switch (message) {
    case WM_MOUSEMOVE:
        MouseMove(shift, at);
        break;
    case WM_LBUTTONDOWN:
        MouseDown(Qt::LeftButton, shift, at);
        m_leftDown = true;
        break;
    case WM_LBUTTONUP:
        if (m_leftDown) {
            m_leftDown = false;
            Click();
        }
        MouseUp(Qt::LeftButton, shift, at);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        DblClick();
        break;
    case WM_RBUTTONDOWN:
        MouseDown(Qt::RightButton, shift, at);
        PopupAtCursor();
        break;
    case WM_RBUTTONUP:
        MouseUp(Qt::RightButton, shift, at);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(Qt::MiddleButton, shift, at);
        break;
    case WM_MBUTTONUP:
        MouseUp(Qt::MiddleButton, shift, at);
        break;
    default:
        break;
    }
}

// The desktop reports whole clicks; they are replayed as the button messages
// they stand for, so the events come in the usual order.
void TTrayIcon::onActivated(int reason)
{
    switch (QSystemTrayIcon::ActivationReason(reason)) {
    case QSystemTrayIcon::Trigger:
        WndProc(WM_LBUTTONDOWN);
        WndProc(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        WndProc(WM_LBUTTONDBLCLK);
        WndProc(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        WndProc(WM_RBUTTONDOWN);
        WndProc(WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::MiddleClick:
        WndProc(WM_MBUTTONDOWN);
        WndProc(WM_MBUTTONUP);
        break;
    default:
        break;
    }
}

void TTrayIcon::Minimize()
{
    if (m_mainWindow) {
        if (isActive())
            m_mainWindow->hide();
        else if (!m_mainWindow->isMinimized())
            m_mainWindow->showMinimized();
    }
    if (OnMinimize)
        OnMinimize(this);
}

void TTrayIcon::Restore()
{
    if (m_mainWindow) {
        m_mainWindow->showNormal();
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
    if (OnRestore)
        OnRestore(this);
}
