#pragma once

#include "components/o_IntervalEditor.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

class DbConnection;
struct TWeekInterval;

// One cell of the week grid set to a time: a project's whole time on a day.
struct TCellChange
{
    int projectId = 0;
    QDate day;
    qint64 minutes = 0;
    QString comment; // goes on the hand entries the change creates
    // Leaves a cell alone that has any interval by now (copying fills only
    // empty cells, also when another client wrote one meanwhile).
    bool onlyWhenEmpty = false;
};

// Sets time in the week grid. Every change of the grid, typed or copied,
// goes through apply: one transaction under the database's write lock that
// checks who may change the developer's time and on which projects, then
// makes each cell's time with hand-entered intervals. More time is a hand
// entry after the day's last interval of the developer, starting no earlier
// than the working day, never overlapping another interval (the cell's
// newest hand entry grows instead when it is that last interval and has the
// same comment). Less time shortens or removes the cell's hand entries,
// newest first. Recorded intervals are never changed: a cell that would
// need it is refused, as is anything else that cannot be made, and then
// nothing at all is written.
class THandEntries
{
public:
    THandEntries(DbConnection& connection, int kind);

    // The earliest time of day a hand entry starts at.
    QTime WorkingDayStart = QTime(9, 0);

    void apply(const TIntervalUser& user, int developerId, const QList<TCellChange>& changes);

    // The insert of a hand entry, with the mark where the database has it.
    static QString insertStatement(bool handMark);
    // Why a database without the hand-entry mark takes no changes here.
    static QString upgradeNeededText();
    static constexpr qint64 DayMinutes = 24 * 60;

private:
    void setCell(const TIntervalUser& user, int developerId, const TCellChange& change);
    void add(const TIntervalUser& user, int developerId, const TCellChange& change, const QList<TWeekInterval>& cell,
             qint64 minutes);
    void reduce(const TCellChange& change, const QList<TWeekInterval>& cell, qint64 minutes);
    // A hand entry's new end, from its start and its minutes.
    void setEnd(const TWeekInterval& entry, const QDateTime& end);
    QString cellName(const TCellChange& change);

    DbConnection& m_connection;
    TIntervalEditor m_editor;
    // The projects the user may book time on, read once per apply.
    std::optional<QList<TIntervalEditor::Project>> m_allowed;
};
