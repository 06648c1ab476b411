#pragma once

#include <QObject>
#include <QString>

class QFormLayout;
class QLineEdit;
class QWidget;

// Forms name every control, because controllers find them by name.
template <class T>
T* named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// A labelled edit in a form layout: the edit carries the name ("edtX"), its
// caption is a buddy label named "lblX".
QLineEdit* addLabeledEdit(QFormLayout* rows, QWidget* parent, const QString& caption, const char* name);
