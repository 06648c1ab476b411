#pragma once

#include "components/o_WorkWriter.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class DbConnection;

// One recorded insert, change or delete of an interval.
struct TWorkChange
{
    qint64 id = 0;
    qint64 workId = 0;
    QString action; // insert, update or delete
    QDateTime at;   // local time
    QDateTime actedAt; // when the user acted, where that was earlier (sent later); else invalid
    QString who;
    QString source; // as stored; see sourceText
    std::optional<TWorkValues> before;
    std::optional<TWorkValues> after;

    // The values the interval has after the change, or had before a delete.
    const TWorkValues& interval() const { return after ? *after : *before; }
};

// Reads the history of intervals and puts it in words: an interval's own
// (the Edit Interval window's History tab, hourwright-cli history) and
// everything changed in a period (the administrators' Changes report).
class TWorkHistory
{
public:
    explicit TWorkHistory(DbConnection& connection);

    // Whether changes are recorded in this database (see Schema).
    bool isRecorded();
    // The changes of one interval, oldest first.
    QList<TWorkChange> ofInterval(qint64 workId);
    // The changes made from the start of `from` to the end of `to`, oldest first.
    QList<TWorkChange> madeBetween(const QDate& from, const QDate& to);

    // What the change did: for a change, each value that changed, old and
    // new ("start 2026-05-11 08:00:00 → 08:30:00; comment "a" → "b""); for
    // an insert or delete the interval itself.
    QString describe(const TWorkChange& change);
    // The project's and the developer's names, read once.
    QString projectName(const QVariant& id);
    QString developerName(const QVariant& id);

    static QString actionText(const QString& action);
    // When it was written, and when the user acted where that was earlier.
    static QString whenText(const TWorkChange& change);
    static QString sourceText(const QString& source);
    // Why a database shows no history, and what turns it on.
    static QString notRecordedText();
    // The condition on an interval's ID column that holds for intervals
    // changed after they were stopped.
    static QString editedCondition(const QString& idColumn);

private:
    QList<TWorkChange> read(const QString& where, const QVariantList& values);
    QString names(QHash<qint64, QString>& cache, const QString& statement, const QVariant& id);

    DbConnection& m_connection;
    QHash<qint64, QString> m_projects;
    QHash<qint64, QString> m_developers;
};
