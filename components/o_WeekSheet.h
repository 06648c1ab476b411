#pragma once

#include "components/o_Week.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class DbConnection;

// One interval as the week grid counts it.
struct TWeekInterval
{
    int id = 0;
    int projectId = 0;
    QString projectName;
    QDate day; // DAY_START: the day all of its time counts on
    QDateTime start;
    QDateTime end; // invalid while it runs
    qint64 minutes = 0; // the stored duration; a running interval has none yet
    bool hand = false; // entered by hand, so the grid may shorten or remove it
    bool running = false;
    QString comment;
};

// One project's time on one day.
struct TWeekCell
{
    qint64 minutes = 0;
    qint64 handMinutes = 0;
    bool running = false;
    QList<TWeekInterval> intervals; // in the order they started
};

struct TWeekRow
{
    int projectId = 0;
    QString projectName;
    std::array<TWeekCell, 7> days;

    qint64 minutes() const;
};

// A developer's week as a grid: a row per project, a column per day. An
// interval's whole time counts on the day it started (DAY_START), across
// midnight too, in whole minutes of its stored duration: the same sums
// Project Reports makes, where a running interval counts as an interval
// without time. The grid and the command line read it alike.
class TWeekSheet
{
public:
    TWeek Week;
    int DeveloperId = 0;
    // Ordered by project name.
    QList<TWeekRow> Rows;

    // The developer's intervals that started on the days from..to, of one
    // project or (0) of all, in the order they started. Without the
    // hand-entry mark in the database every interval counts as recorded.
    static QList<TWeekInterval> read(DbConnection& connection, bool handMarks, int developerId, const QDate& from,
                                     const QDate& to, int projectId = 0);
    static QString statement(bool handMarks, bool oneProject);
    static TWeekSheet load(DbConnection& connection, bool handMarks, int developerId, const TWeek& week);

    // The project's row, made (empty) when there is none; its index.
    int addRow(int projectId, const QString& projectName);
    int rowOf(int projectId) const;
    qint64 dayMinutes(int day) const;
    qint64 minutes() const;
    // Whether a cell holds an interval still running, and what its '*' says.
    bool anyRunning() const;
    static QString runningNote();

    // The grid as text: the titles, a line per project and the totals; a
    // cell without time is blank, a running interval marks its cell with '*'.
    QList<QStringList> text() const;
    static QString cellText(const TWeekCell& cell);
    // "Okafor Chidi", or "developer 7" for one without a name or a row.
    static QString developerName(DbConnection& connection, int developerId);
    // The name a project without a row in PROJECTS goes by.
    static QString projectName(int projectId, const QString& name);
};
