#pragma once

#include "toolkit/AppError.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>

class DbConnection;

// Where a change of an interval comes from, as its history names it.
enum class WorkSource { Window, CommandLine, IdleQuestion, ForgottenStop, SpecialEntry, WeekEntry, DatabaseTool };

// Who changes intervals and from where. An administrator who has said yes
// to changing the locked period sets lockConfirmed for that one change.
struct WorkAuthor
{
    QString userName;
    bool isAdmin = false;
    WorkSource source = WorkSource::Window;
    bool lockConfirmed = false;
    // When the user acted, for a change written later (the offline
    // journal); invalid for one written as it is made.
    QDateTime actedAt;
};

// The values of one PROJECTWORK row that its history keeps, in the order of
// columns().
struct TWorkValues
{
    enum Column { ProjectId, DeveloperId, TimeStart, TimeEnd, TimeSpend, Comments, Completed, DayStart, DayEnd, HandEntry };
    static const QStringList& columns();
    // The history's columns of them: OLD_ and NEW_ of each, in that order.
    static const QStringList& historyColumns();

    QVariantList values;

    const QVariant& operator[](Column column) const { return values.at(column); }
    bool running() const { return values.at(Completed).toInt() != 1; }
    // The day the interval counts on: DAY_START, else the day it started;
    // invalid when it has neither.
    QDate day() const;
};

// A change that touches the locked period. An administrator may confirm it
// and write it once more (confirmable); anyone else is refused.
class LockedPeriodError : public AppError
{
public:
    LockedPeriodError(const QString& message, const QDate& through, bool confirmable);
    const QDate& through() const { return m_through; }
    bool confirmable() const { return m_confirmable; }

private:
    QDate m_through;
    bool m_confirmable;
};

// The one way the program writes PROJECTWORK. Every insert, change and
// delete goes through here, inside the caller's transaction, so that on
// every kind it is recorded and kept out of the locked period:
// - where the server keeps the history (PostgreSQL), its trigger records the
//   change; the writer hands it the source and the user for the transaction;
// - elsewhere the writer reads the row before and after the statement and
//   writes the history row itself, in the same transaction;
// - a change whose row lies (or comes to lie) on or before the lock date is
//   refused with LockedPeriodError and rolled back with the transaction,
//   unless an administrator confirmed it. Stopping a running interval never
//   is. The server refuses members the same, also outside the program.
// A database without the history or the lock (a server not upgraded yet)
// is written as before.
class TWorkWriter
{
public:
    TWorkWriter(DbConnection& connection, const WorkAuthor& author);

    // Runs an insert of one row and returns its key.
    qint64 insert(const QString& statement, const QVariantList& values);
    // Runs an update or delete of the row with key id (and of no other row);
    // returns the rows it changed.
    int change(qint64 id, const QString& statement, const QVariantList& values);
    // Sets one column of every row that `condition` picks to `expression`
    // in one statement (Recalculate), each row written recorded. Rows in the
    // locked period are left out unless an administrator confirmed; how many
    // that were is `left`.
    struct ManyChanged
    {
        int changed = 0;
        int left = 0;
    };
    ManyChanged changeMany(const QString& column, const QString& expression, const QString& condition,
                           const QVariantList& values);
    // Runs inserts that add many rows at once (the sample data) and records
    // them afterwards with one statement, where the server does not record
    // each as it comes. The lock is not looked at.
    void insertInBulk(const std::function<void()>& inserts);

    // The last locked day, as of today; invalid when nothing is locked.
    QDate lockedThrough();
    const WorkAuthor& author() const { return m_author; }

    // The source as the history stores it.
    static QString sourceCode(WorkSource source);
    // The row's values, or nothing when it is gone.
    static std::optional<TWorkValues> read(DbConnection& connection, qint64 id);

private:
    void prepare();
    bool readsRows();
    QVariant actedAt() const;
    void guard(const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after) const;
    void record(qint64 id, const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after);

    DbConnection& m_connection;
    WorkAuthor m_author;
    int m_kind;
    bool m_prepared = false;
    bool m_records = false; // the program writes the history, not the server
    QDate m_through;
};
