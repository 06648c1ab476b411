#pragma once

#include "components/o_WorkWriter.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class DbConnection;
class QWidget;

// One PROJECTWORK row with the names that make it readable.
struct TInterval
{
    int id = 0;
    int projectId = 0;
    int developerId = 0;
    QString projectName;
    QString developerName;
    QDateTime start;
    QDateTime end; // invalid while the interval runs
    double hours = 0;
    bool completed = false;
    QString comment;

    bool running() const { return !completed; }
};

// Who asks for a change: the signed-in user's developer and role, and for
// the history the user's name and where the change comes from.
struct TIntervalUser
{
    int developerId = 0;
    bool isAdmin = false;
    QString userName;
    WorkSource source = WorkSource::Window;
    // An administrator said yes to changing the locked period (see TPeriodLock).
    bool lockConfirmed = false;
    // When the user acted, for a change written later (see WorkAuthor).
    QDateTime actedAt;

    WorkAuthor author() const { return {userName, isAdmin, source, lockConfirmed, actedAt}; }
};

// What an interval is to become. A running interval takes only the start
// and the comment; its project must stay and its end is ignored.
struct TIntervalChange
{
    int id = 0;
    int projectId = 0;
    QDateTime start;
    QDateTime end;
    QString comment;
};

// Corrects recorded time: reads an interval, changes or deletes it, finds
// the intervals it would overlap and lists a developer's intervals. Every
// write is one transaction that reads the row again, checks who may change
// it and the rules of a valid interval, and then writes; a refusal raises
// AppError with the reason and writes nothing. The main window and the
// command line both go through here, so the rules are the same in both.
class TIntervalEditor
{
public:
    // kind: the database kind, for the developer's name in the statements.
    TIntervalEditor(DbConnection& connection, int kind);

    // The one rule on whose time a user may correct: administrators anyone's,
    // everyone else only their own developer's.
    static bool mayChange(const TIntervalUser& user, int ownerDeveloperId);

    std::optional<TInterval> find(int id);
    // The interval, or AppError when it is gone or belongs to someone the
    // user may not correct.
    TInterval require(const TIntervalUser& user, int id);

    // Other intervals of the developer that share time with [start, end); an
    // invalid end is a running interval, which lasts until now. A running
    // interval found counts as lasting until now too.
    QList<TInterval> overlapping(int developerId, const QDateTime& start, const QDateTime& end, int excludeId = 0);

    // Writes the change and returns the interval as stored. Given the
    // interval as it was read (expected), a row changed since is refused with
    // what changed, never overwritten. A write ID (a journal's) is recorded
    // with the change; a change already written with it changes nothing.
    TInterval update(const TIntervalUser& user, const TIntervalChange& change,
                     const std::optional<TInterval>& expected = std::nullopt, const QString& writeId = QString());
    // Deletes the interval and returns it as it was.
    TInterval remove(const TIntervalUser& user, int id);

    // What differs between the interval as read and as it is now ("its stop
    // is now 17:45 (was 17:30)"), or an empty text when nothing does.
    static QString changedSince(const TInterval& read, const TInterval& now);

    // A developer's intervals, newest first; an invalid date leaves that end open.
    QList<TInterval> list(int developerId, const QDate& from = QDate(), const QDate& to = QDate());

    struct Project
    {
        int id = 0;
        QString name;
        int customerId = 0;
    };
    // The projects the user may book recorded time on (Edit Interval,
    // Special Entry): every project for an administrator, else the
    // developer's own unfinished ones. finishedToo: the own finished ones as
    // well, as the main window lists them for Start.
    QList<Project> projectsOf(const TIntervalUser& user, bool finishedToo = false);

    // The statement of projectsOf: ID, DESCRIPTION, CUSTOMER_ID.
    static QString projectsStatement(const TIntervalUser& user, bool finishedToo = false);

    // Why the change cannot be written, or an empty text when it can. Times
    // later than now are refused when the change moves them; a change of the
    // comment or project alone leaves the times as they are.
    static QString refusal(const TInterval& current, const TIntervalChange& change, const QDateTime& now);
    // Whether the change moves the start or the stop; only then are overlaps
    // looked for and times later than now refused.
    static bool timesChanged(const TInterval& current, const TIntervalChange& change);
    // Why a new closed interval with these times cannot be written: invalid
    // times, a stop before or at the start, a time later than now.
    static QString timesRefusal(const QDateTime& start, const QDateTime& end, const QDateTime& now);
    // A start or stop later than now, the one rule for every time a user
    // gives; empty when neither is.
    static QString futureRefusal(const QDateTime& start, const QDateTime& end, const QDateTime& now);

    // "Portal, 2026-05-11 08:00 to 12:30 (4:30 h)", for questions and messages.
    static QString describe(const TInterval& interval, const QDateTime& now = QDateTime());
    // Names the overlapping intervals and asks whether to write all the
    // same; true when there are none or the user says yes.
    static bool overlapsAccepted(const QList<TInterval>& overlaps, QWidget* parent = nullptr);
    // "4:30" for whole minutes.
    static QString durationText(qint64 minutes);
    // Why a user linked to no developer cannot record time, and how to mend it.
    static QString noDeveloperText(const QString& userName);

    // How far back before a start an earlier interval is looked for when
    // overlaps are sought: a day-indexed range keeps the search cheap on a
    // large table. Running intervals are always looked at.
    static constexpr int OverlapLookBackDays = 31;

    QString selectStatement() const;
    static QString updateStatement(bool running);
    static QString deleteStatement();

private:
    QList<TInterval> read(const QString& where, const QVariantList& values, const QString& order = QString());
    // The write lock for a change of interval id: its developer's.
    int partitionFor(const TIntervalUser& user, int id);

    DbConnection& m_connection;
    int m_kind;
};
