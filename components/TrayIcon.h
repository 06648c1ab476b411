#pragma once

#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

#include <QMenu>
class QSystemTrayIcon;
class QTimer;
#include <QWidget>

// The program's icon in the desktop's notification area, with a tooltip, a
// popup menu and the mouse events of the icon. It also hides the main window
// when that is minimised, and brings it back on Restore.
//
// A desktop without a notification area cannot hold the icon: it then stays
// inactive, and minimising leaves the window minimised on the task bar
// instead of hiding it, so it can always be brought back. When a
// notification area appears later, the icon goes into it.
class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    // The mouse messages of the icon, by their window-message numbers.
    enum MouseMessage {
        WM_MOUSEMOVE = 0x0200,
        WM_LBUTTONDOWN = 0x0201,
        WM_LBUTTONUP = 0x0202,
        WM_LBUTTONDBLCLK = 0x0203,
        WM_RBUTTONDOWN = 0x0204,
        WM_RBUTTONUP = 0x0205,
        WM_RBUTTONDBLCLK = 0x0206,
        WM_MBUTTONDOWN = 0x0207,
        WM_MBUTTONUP = 0x0208,
        WM_MBUTTONDBLCLK = 0x0209,
    };
    static constexpr int MaxTipLength = 63;

    explicit TTrayIcon(QObject* owner = nullptr);
    ~TTrayIcon() override;

    QString Hint() const { return m_hint; }
    virtual void SetHint(const QString& hint);
    QIcon Icon() const { return m_icon; }
    virtual void SetIcon(const QIcon& icon);
    QMenu* PopupMenu() const { return m_popupMenu; }
    // Also handed to the desktop, so tray hosts that show the menu
    // themselves (StatusNotifierItem) offer its commands too.
    void setPopupMenu(QMenu* menu);

    // Whether time is running, in the icon and the tip:
    // "Hourwright: Portal since 09:26" or "Hourwright: not monitoring".
    void ShowMonitoring(const QString& project, const QDateTime& since);
    void ShowIdle();
    // The tip while monitoring; a long project name is shortened so that
    // the start time still fits the 63 characters.
    static QString monitoringTip(const QString& project, const QDateTime& since);
    bool showsMonitoring() const { return m_showsMonitoring; }
    // A second line of the tip ("Offline: 2 changes waiting"); empty: none.
    void setNote(const QString& note);
    QString note() const { return m_note; }
    // The window Minimize hides and Restore brings back.
    void setMainWindow(QWidget* window);
    QWidget* mainWindow() const { return m_mainWindow; }

    // The tooltip as the desktop shows it (at most 63 characters, and the
    // note on a line of its own).
    QString tip() const { return m_tip; }
    // Whether the icon is in a notification area.
    bool isActive() const;
    static bool notificationAreaAvailable();
    // Tests pretend a desktop with or without a notification area.
    static void setNotificationAreaForTests(int available); // -1: ask the desktop

    virtual void PopupAtCursor();
    virtual void Click();
    virtual void DblClick();
    virtual void RemoveIcon();
    virtual void MouseMove(Qt::KeyboardModifiers shift, const QPoint& at);
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& at);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& at);
    // One mouse message of the icon, dispatched to the events above.
    virtual void WndProc(int message);
    virtual void UpdateIcon();
    virtual void Minimize();
    virtual void Restore();
    // A click on the icon: shows the main window, or hides it when shown.
    void ToggleMainWindow();
    // A short message beside the icon, where there is one.
    void ShowBalloon(const QString& title, const QString& text);
    // Puts the icon into a notification area that appeared since the start;
    // runs by itself every few seconds while there is none.
    void LookForNotificationArea();

    std::function<void(QObject*)> OnClick;
    std::function<void(QObject*)> OnDblClick;
    std::function<void(QObject*)> OnMinimize;
    std::function<void(QObject*)> OnRestore;
    std::function<void(QObject*)> OnNotificationAreaFound;
    std::function<void(QObject*, Qt::KeyboardModifiers, int, int)> OnMouseMove;
    std::function<void(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseDown;
    std::function<void(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseUp;

    // The popup of the last PopupAtCursor (tests check the menu was asked for).
    int popupCountForTests() const { return m_popups; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onActivated(int reason);
    void createTray();
    void composeTip();

    QString m_hint;
    QString m_tip;
    QString m_note;
    QIcon m_icon;
    QPointer<QMenu> m_popupMenu;
    QPointer<QWidget> m_mainWindow;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_lookAgain = nullptr;
    bool m_leftDown = false;
    bool m_showsMonitoring = false;
    int m_popups = 0;
};
