#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

// A week as the week grid shows it: seven days from the locale's first day
// of the week. It is named by its ISO week, "2026-W20": the week that holds
// that ISO week's Thursday, so that where weeks start on Monday the two are
// the same, and elsewhere every ISO week still names exactly one week.
class TWeek
{
public:
    TWeek() = default;

    static TWeek containing(const QDate& day, Qt::DayOfWeek firstDay = QLocale().firstDayOfWeek());
    // "2026-W20" (or "2026-w20"); nothing when the text is no such week.
    static std::optional<TWeek> fromIsoText(const QString& text, Qt::DayOfWeek firstDay = QLocale().firstDayOfWeek());

    bool isValid() const { return m_first.isValid(); }
    QDate first() const { return m_first; }
    QDate last() const { return m_first.addDays(6); }
    QDate day(int index) const { return m_first.addDays(index); }
    // 0..6, or -1 for a day outside the week.
    int indexOf(const QDate& day) const;
    TWeek previous() const;
    TWeek next() const;

    // "2026-W20".
    QString isoText() const;
    // "2026-W20, Mon 11 May to Sun 17 May 2026", in the locale's words.
    QString title() const;
    // The day's column title: "Mon 11".
    static QString dayTitle(const QDate& day);

    bool operator==(const TWeek& other) const { return m_first == other.m_first; }
    bool operator!=(const TWeek& other) const { return !(*this == other); }

private:
    explicit TWeek(const QDate& first)
        : m_first(first)
    {
    }
    // The day of this week that names its ISO week.
    QDate thursday() const;

    QDate m_first;
};
