#pragma once

#include <QDateTime>
#include <QString>

// A local time written as "2026-05-11 08:30:00".
inline QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
