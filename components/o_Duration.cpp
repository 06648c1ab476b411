#include "components/o_Duration.h"

#include <QtMath>

qint64 Duration::minutesOf(double hours)
{
    return qRound64(hours * 60.0);
}

QString Duration::text(qint64 minutes)
{
    const qint64 whole = minutes < 0 ? -minutes : minutes;
    return QStringLiteral("%1%2:%3")
        .arg(minutes < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString Duration::ofStoredHours(const QVariant& hours)
{
    bool isNumber = false;
    const double value = hours.isNull() ? 0 : hours.toDouble(&isNumber);
    return isNumber ? text(minutesOf(value)) : QString();
}
