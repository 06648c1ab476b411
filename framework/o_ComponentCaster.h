#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;
class QToolButton;
class TqvMessageBox;
class TqvTimer;

// Carries the answer of one lookup by name and hands it back as the control
// class the caller expects. A wrong class gives null, as does a component
// that has been destroyed since the lookup.
class TqvComponentCaster : public QObject
{
    Q_OBJECT
public:
    explicit TqvComponentCaster(QObject* owner = nullptr);
    ~TqvComponentCaster() override;

    QObject* Component() const { return m_component.data(); }
    void setComponent(QObject* component) { m_component = component; }

    template <class T>
    T* as() const
    {
        return qobject_cast<T*>(m_component.data());
    }

    // The program's vocabulary of control kinds; a new kind of control a
    // controller needs gets a new accessor here.
    QObject* AsComponent() const;
    QAction* AsAction() const;
    QToolButton* AsToolButton() const;
    QCheckBox* AsCheckBox() const;
    QComboBox* AsComboBox() const;
    QLineEdit* AsLabeledEdit() const;
    QLabel* AsLabel() const;
    QPlainTextEdit* AsMemo() const;
    QMenu* AsPopupMenu() const;
    QStatusBar* AsStatusBar() const;
    QProgressBar* AsProgressBar() const;
    TqvTimer* AsTimer() const;
    TqvMessageBox* AsMessageBox() const;

private:
    QPointer<QObject> m_component;
};
