#include "components/o_PeriodLock.h"

#include "components/o_Schema.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QScopeGuard>
#include <QSqlQuery>

#include <algorithm>

namespace {

QString dayText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

bool locked(const std::optional<TWorkValues>& row, const QDate& through)
{
    if (!row)
        return false;
    const QDate day = row->day();
    return day.isValid() && day <= through;
}

} // namespace

QDate TPeriodLock::through(const QDate& today) const
{
    QDate last = lockedThrough;
    if (graceDays >= 0) {
        const QDate graceLimit = today.addDays(-qint64(graceDays) - 1);
        if (!last.isValid() || graceLimit > last)
            last = graceLimit;
    }
    return last;
}

QString TPeriodLock::describe(const QDate& today) const
{
    const QDate last = through(today);
    if (!last.isValid())
        return QStringLiteral("Nothing is locked.");
    QStringList parts;
    if (lockedThrough.isValid())
        parts << QStringLiteral("Locked through %1").arg(dayText(lockedThrough));
    if (graceDays >= 0)
        parts << QStringLiteral("%1 each day everything more than %2 days old")
                     .arg(parts.isEmpty() ? QStringLiteral("Locked") : QStringLiteral("also"))
                     .arg(graceDays);
    return QStringLiteral("%1 (today: intervals on or before %2).").arg(parts.join(QStringLiteral("; ")), dayText(last));
}

QString TPeriodLock::refusalOfDate(const QDate& day, const QDate& today)
{
    if (!day.isValid())
        return QStringLiteral("The lock date is no valid date.");
    if (day >= today)
        return QStringLiteral("Only days that have ended can be locked: %1 is not before today (%2).")
            .arg(dayText(day), dayText(today));
    return {};
}

bool TPeriodLock::isAvailable(DbConnection& connection)
{
    return Schema::hasTable(connection, Schema::LockTable);
}

TPeriodLock TPeriodLock::read(DbConnection& connection)
{
    TPeriodLock lock;
    if (!isAvailable(connection))
        return lock;
    QSqlQuery query = connection.exec(
        QStringLiteral("select LOCKED_THROUGH, GRACE_DAYS from %1 where ID = 1").arg(Schema::LockTable));
    if (query.next()) {
        lock.lockedThrough = DbConnection::parseDateTime(query.value(0)).date();
        if (!query.value(1).isNull())
            lock.graceDays = query.value(1).toInt();
    }
    return lock;
}

void TPeriodLock::write(DbConnection& connection, const TPeriodLock& lock)
{
    if (!isAvailable(connection))
        throw AppError(upgradeNeededText());
    const QVariantList values{lock.lockedThrough.isValid() ? QVariant(lock.lockedThrough) : QVariant(),
                              lock.graceDays >= 0 ? QVariant(lock.graceDays) : QVariant()};
    TransactionGuard transaction(connection);
    QSqlQuery changed = connection.exec(
        QStringLiteral("update %1 set LOCKED_THROUGH = ?, GRACE_DAYS = ? where ID = 1").arg(Schema::LockTable), values);
    if (changed.numRowsAffected() == 0)
        connection.exec(
            QStringLiteral("insert into %1 (ID, LOCKED_THROUGH, GRACE_DAYS) values (1, ?, ?)").arg(Schema::LockTable),
            values);
    transaction.commit();
}

QString TPeriodLock::refusal(const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after,
                             const QDate& through)
{
    if (!through.isValid())
        return {};
    // The running clock: stopping it, or writing its comment, keeps what
    // says when and for whom it ran.
    if (before && after && before->running()) {
        static const TWorkValues::Column identity[] = {TWorkValues::ProjectId, TWorkValues::DeveloperId,
                                                        TWorkValues::TimeStart, TWorkValues::DayStart};
        const bool kept = std::all_of(std::begin(identity), std::end(identity), [&](TWorkValues::Column column) {
            return (*before)[column] == (*after)[column];
        });
        if (kept)
            return {};
    }
    if (!locked(before, through) && !locked(after, through))
        return {};
    return lockedText(through);
}

QString TPeriodLock::lockedText(const QDate& through)
{
    return lockedText(dayText(through));
}

QString TPeriodLock::lockedText(const QString& through)
{
    return QStringLiteral("The period through %1 is locked: intervals on or before that day cannot be inserted, "
                          "changed or deleted. An administrator can correct them.")
        .arg(through);
}

QString TPeriodLock::upgradeNeededText()
{
    return QStringLiteral("This database has no place for a lock date yet. The database needs \"hourwright-db "
                          "upgrade\", once, by its administrator.");
}

bool TPeriodLock::askToChange(const QDate& through, QWidget* parent)
{
    const QString question =
        QStringLiteral("This change touches the period locked through %1, which may already have been paid or "
                       "invoiced.\n\nChange it all the same? The change is recorded in the interval's history.")
            .arg(dayText(through));
    return MessageService::show(MessageService::Request::make(QStringLiteral("Hourwright"), question,
                                                              QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
                                                              QMessageBox::No),
                                parent)
           == QMessageBox::Yes;
}

bool TPeriodLock::writeConfirming(bool& confirmed, QWidget* parent, const std::function<void()>& write)
{
    QDate through;
    try {
        write();
        return true;
    } catch (const LockedPeriodError& error) {
        if (!error.confirmable())
            throw;
        through = error.through();
    }
    if (!askToChange(through, parent))
        return false;
    confirmed = true;
    const auto reset = qScopeGuard([&confirmed] { confirmed = false; });
    write();
    return true;
}
