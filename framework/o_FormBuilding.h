#pragma once

#include <QObject>
#include <QString>

// Forms name every control, because controllers find them by name.
template <class T>
T* named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}
