#include "components/o_DurationText.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// Hours in whole minutes, or nothing for a number past any day's length
// many times over (the caller refuses what a day cannot hold).
std::optional<qint64> hoursToMinutes(const QString& number)
{
    bool ok = false;
    const double hours = QString(number).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !std::isfinite(hours) || hours < 0 || hours > 1e6)
        return std::nullopt;
    return qRound64(hours * 60.0);
}

} // namespace

std::optional<qint64> DurationText::minutes(const QString& text)
{
    const QString typed = text.trimmed().toLower();
    if (typed.isEmpty())
        return 0;
    static const QRegularExpression clock(QStringLiteral("^(\\d{1,6}):([0-5]\\d)$"));
    static const QRegularExpression hours(QStringLiteral("^(\\d{0,6}(?:[.,]\\d+)?)\\s*h?$"));
    static const QRegularExpression minutesOnly(QStringLiteral("^(\\d{1,7})\\s*m(?:in)?$"));
    static const QRegularExpression hoursAndMinutes(QStringLiteral("^(\\d{1,6})\\s*h\\s*([0-5]?\\d)\\s*(?:m|min)?$"));
    QRegularExpressionMatch match = clock.match(typed);
    if (match.hasMatch())
        return match.captured(1).toLongLong() * 60 + match.captured(2).toLongLong();
    match = hoursAndMinutes.match(typed);
    if (match.hasMatch())
        return match.captured(1).toLongLong() * 60 + match.captured(2).toLongLong();
    match = minutesOnly.match(typed);
    if (match.hasMatch())
        return match.captured(1).toLongLong();
    match = hours.match(typed);
    if (match.hasMatch() && !match.captured(1).isEmpty())
        return hoursToMinutes(match.captured(1));
    return std::nullopt;
}

QString DurationText::forms()
{
    return QStringLiteral("Type the time as 1:30, 1.5, 90m or 2h; an empty cell clears it.");
}
