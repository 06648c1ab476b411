#include "components/o_Week.h"

#include <QRegularExpression>

TWeek TWeek::containing(const QDate& day, Qt::DayOfWeek firstDay)
{
    if (!day.isValid())
        return TWeek();
    const int back = (day.dayOfWeek() - int(firstDay) + 7) % 7;
    return TWeek(day.addDays(-back));
}

std::optional<TWeek> TWeek::fromIsoText(const QString& text, Qt::DayOfWeek firstDay)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-[Ww](\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.captured(1).toInt();
    const int week = match.captured(2).toInt();
    // ISO week 1 is the week that holds the 4th of January.
    const QDate january4(year, 1, 4);
    const QDate thursday = january4.addDays(4 - january4.dayOfWeek() + 7 * (week - 1));
    int isoYear = 0;
    if (week < 1 || thursday.weekNumber(&isoYear) != week || isoYear != year)
        return std::nullopt; // week 0, or a week 53 the year does not have
    return containing(thursday, firstDay);
}

int TWeek::indexOf(const QDate& day) const
{
    const qint64 index = m_first.daysTo(day);
    return isValid() && day.isValid() && index >= 0 && index < 7 ? int(index) : -1;
}

TWeek TWeek::previous() const
{
    return TWeek(m_first.addDays(-7));
}

TWeek TWeek::next() const
{
    return TWeek(m_first.addDays(7));
}

QDate TWeek::thursday() const
{
    return m_first.addDays((Qt::Thursday - m_first.dayOfWeek() + 7) % 7);
}

QString TWeek::isoText() const
{
    int year = 0;
    const int week = thursday().weekNumber(&year);
    return QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0'));
}

QString TWeek::title() const
{
    const QLocale locale;
    const bool oneYear = first().year() == last().year();
    return QStringLiteral("%1, %2 to %3")
        .arg(isoText(),
             locale.toString(first(), oneYear ? QStringLiteral("ddd d MMM") : QStringLiteral("ddd d MMM yyyy")),
             locale.toString(last(), QStringLiteral("ddd d MMM yyyy")));
}

QString TWeek::dayTitle(const QDate& day)
{
    return QLocale().toString(day, QStringLiteral("ddd d"));
}
