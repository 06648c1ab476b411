#pragma once

#include "components/o_WorkWriter.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

class DbConnection;
class QWidget;

// The closed period. Intervals whose day falls on or before "Locked
// through", or (with a grace period of N days) more than N days before
// today, cannot be inserted, changed or deleted by members; administrators
// correct them after a confirmation, and the change is in the history.
// Time passing locks nothing that is still running: a running interval is
// stopped (and its comment written) whatever its start.
struct TPeriodLock
{
    QDate lockedThrough; // invalid: no date set
    int graceDays = -1;  // below 0: no grace period

    // The last locked day as of today: the later of the date and the grace
    // period's; invalid when nothing is locked.
    QDate through(const QDate& today) const;

    // "Locked through 2026-05-31; each day also everything more than 30 days
    // old (today: through 2026-06-02)", or that nothing is locked.
    QString describe(const QDate& today) const;
    // Why a lock date cannot be set (it must lie before today); empty when it can.
    static QString refusalOfDate(const QDate& day, const QDate& today);
    // The longest grace period.
    static constexpr int MaxGraceDays = 3650;

    // Whether the database has a place for the lock (hourwright-db upgrade
    // makes it in a server's database made before).
    static bool isAvailable(DbConnection& connection);
    // The lock as stored; nothing locked where the database has no place for it.
    static TPeriodLock read(DbConnection& connection);
    // Stores the lock in one transaction.
    static void write(DbConnection& connection, const TPeriodLock& lock);

    // Why changing a row from before to after (no before: an insert; no
    // after: a delete) touches the period locked through `through`; empty
    // when it does not.
    static QString refusal(const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after,
                           const QDate& through);
    // The refusal's words, naming the lock date (also as the server's
    // trigger fills it in).
    static QString lockedText(const QDate& through);
    static QString lockedText(const QString& through);
    // What a database that has no place for the lock yet needs.
    static QString upgradeNeededText();

    // Asks an administrator whether to change the period locked through
    // that day all the same.
    static bool askToChange(const QDate& through, QWidget* parent);
    // Runs write. When it touches the locked period and the user is an
    // administrator, asks, and on yes runs it once more with `confirmed` set
    // for that run. False when the administrator said no: nothing was
    // written. A member's refusal passes on as the error it is.
    static bool writeConfirming(bool& confirmed, QWidget* parent, const std::function<void()>& write);
};
