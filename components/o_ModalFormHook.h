#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Finds a window by polling: while enabled, a GUI timer looks through the
// application's top-level windows at each interval for one whose object name
// equals FormName or whose class name equals FormClassName (letter case
// ignored), and reports the first match. It is how code gets to run once a
// modal window is on screen, since the modal call itself does not return.
//
// An empty FormName or FormClassName matches nothing: otherwise any unnamed
// window (a popup, a message box) would be "found" instead of the one wanted.
class TModalFormHook : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QString FormName READ FormName WRITE setFormName)
    Q_PROPERTY(QString FormClassName READ FormClassName WRITE setFormClassName)
    Q_PROPERTY(quint32 SearchInterval READ SearchInterval WRITE setSearchInterval)

public:
    using FormFoundEvent = std::function<void(QWidget* form)>;

    explicit TModalFormHook(QObject* owner = nullptr);
    ~TModalFormHook() override;

    bool Enabled() const { return m_enabled; }
    // Switches the search on or off; enabling a hook that is already
    // searching changes nothing, enabling one that has found starts anew.
    void setEnabled(bool enabled);

    QString FormName() const { return m_formName; }
    void setFormName(const QString& name) { m_formName = name; }
    QString FormClassName() const { return m_formClassName; }
    void setFormClassName(const QString& className) { m_formClassName = className; }

    // Reads 0 until set, although the search then runs every 1000 ms.
    quint32 SearchInterval() const { return m_searchInterval; }
    void setSearchInterval(quint32 interval);

    // Called with the first matching window of a search; the search then
    // stops until the hook is enabled again.
    void setOnFormFound(FormFoundEvent handler) { m_onFormFound = std::move(handler); }

    // The window the last successful search found, while it exists.
    QWidget* FoundForm() const { return m_found; }
    bool isSearching() const { return m_timer.isActive(); }
    int timerInterval() const { return m_timer.interval(); }

    // Whether a window matches the given name or class name.
    static bool matches(const QWidget* form, const QString& formName, const QString& formClassName);

private:
    void search();

    bool m_enabled = false;
    QString m_formName;
    QString m_formClassName;
    quint32 m_searchInterval = 0;
    FormFoundEvent m_onFormFound;
    QPointer<QWidget> m_found;
    QTimer m_timer;
};
