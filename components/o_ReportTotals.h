#pragma once

#include <QDate>
#include <QList>
#include <QString>

class MemTable;

// One project's or developer's share of a report result.
struct TReportGroup
{
    bool hasId = false;
    qint64 id = 0;
    QString name;
    qint64 minutes = 0;
    int intervals = 0;
};

// The hours of one day, or of the week starting on that Monday.
struct TReportBucket
{
    QDate first;
    qint64 minutes = 0;
};

// What a report result adds up to: the intervals and their time, the same
// grouped by project and by developer (most hours first), and the hours per
// day for a chart, per week when the result spans more than
// DaysBeforeWeeks days.
//
// Durations are stored as k/60 hours, so they are added as whole minutes:
// a million rows still sum exactly. An interval still running has no
// duration; it counts as an interval and adds no time.
class TReportTotals
{
public:
    static constexpr int DaysBeforeWeeks = 62;

    // Reads the report's fields from every visible row of the table; a field
    // the table lacks counts as null.
    static TReportTotals of(const MemTable& results);

    int Intervals = 0;
    int OpenIntervals = 0; // no end time yet
    qint64 Minutes = 0;
    QList<TReportGroup> ByProject;
    QList<TReportGroup> ByDeveloper;
    // Every day (or week) from the first to the last of the result, empty
    // ones included; rows without any date are left out.
    QList<TReportBucket> Buckets;
    bool Weekly = false;

    // "12 intervals, 37:45 h", with the number still running when there are any.
    QString text() const;
    // "37:45"; negative totals keep their sign.
    static QString hoursText(qint64 minutes);
    // "2026-12-08", or "2026-W49" for a week.
    QString bucketLabel(const TReportBucket& bucket) const;
};
