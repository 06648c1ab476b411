#include "components/o_WorkHistory.h"

#include "components/o_Dialect.h"
#include "components/o_IntervalEditor.h"
#include "components/o_Schema.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>

namespace {

QString momentText(const QVariant& stored)
{
    const QDateTime moment = DbConnection::parseDateTime(stored);
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("none");
}

QString quotedText(const QVariant& stored)
{
    return QLatin1Char('"') + stored.toString() + QLatin1Char('"');
}

QString hoursText(const QVariant& stored)
{
    if (stored.isNull())
        return QStringLiteral("none");
    return TIntervalEditor::durationText(qRound64(stored.toDouble() * 60.0)) + QStringLiteral(" h");
}

} // namespace

TWorkHistory::TWorkHistory(DbConnection& connection)
    : m_connection(connection)
{
}

bool TWorkHistory::isRecorded()
{
    return Schema::recordsHistory(m_connection);
}

QString TWorkHistory::notRecordedText()
{
    return QStringLiteral("This database does not record the history of intervals yet. The database needs "
                          "\"hourwright-db upgrade\", once, by its administrator; changes are recorded from then on.");
}

QString TWorkHistory::editedCondition(const QString& idColumn)
{
    return QStringLiteral("%1 in (select WORK_ID from %2 where ACTION = 'update' and OLD_COMPLETED = 1)")
        .arg(idColumn, Schema::HistoryTable);
}

QList<TWorkChange> TWorkHistory::read(const QString& where, const QVariantList& values)
{
    const QStringList columns = QStringList{QStringLiteral("ID"),         QStringLiteral("WORK_ID"),
                                            QStringLiteral("ACTION"),     QStringLiteral("CHANGED_AT"),
                                            QStringLiteral("CHANGED_BY"), QStringLiteral("SOURCE"),
                                            QStringLiteral("ACTED_AT")}
                                + TWorkValues::historyColumns();
    QSqlQuery query = m_connection.exec(QStringLiteral("select %1 from %2 where %3 order by ID")
                                            .arg(columns.join(QLatin1Char(',')), Schema::HistoryTable, where),
                                        values);
    const int count = int(TWorkValues::columns().size());
    QList<TWorkChange> changes;
    while (query.next()) {
        TWorkChange change;
        change.id = query.value(0).toLongLong();
        change.workId = query.value(1).toLongLong();
        change.action = query.value(2).toString();
        // A server that keeps the moment with its zone gives it in another.
        change.at = DbConnection::parseDateTime(query.value(3)).toLocalTime();
        change.who = query.value(4).toString();
        change.source = query.value(5).toString();
        change.actedAt = DbConnection::parseDateTime(query.value(6));
        TWorkValues before, after;
        for (int i = 0; i < count; ++i) {
            before.values << query.value(7 + 2 * i);
            after.values << query.value(8 + 2 * i);
        }
        if (change.action != QLatin1String("insert"))
            change.before = before;
        if (change.action != QLatin1String("delete"))
            change.after = after;
        changes << change;
    }
    return changes;
}

QList<TWorkChange> TWorkHistory::ofInterval(qint64 workId)
{
    return read(QStringLiteral("WORK_ID = ?"), {workId});
}

QList<TWorkChange> TWorkHistory::madeBetween(const QDate& from, const QDate& to)
{
    return read(QStringLiteral("CHANGED_AT >= ? and CHANGED_AT < ?"), {from.startOfDay(), to.addDays(1).startOfDay()});
}

QString TWorkHistory::names(QHash<qint64, QString>& cache, const QString& statement, const QVariant& id)
{
    if (cache.isEmpty()) {
        QSqlQuery query = m_connection.exec(statement);
        while (query.next())
            cache.insert(query.value(0).toLongLong(), query.value(1).toString());
        cache.insert(-1, QString()); // read, also when there are none
    }
    const QString name = cache.value(id.toLongLong());
    return name.trimmed().isEmpty() ? QStringLiteral("%1").arg(id.toLongLong()) : name;
}

QString TWorkHistory::projectName(const QVariant& id)
{
    return names(m_projects, QStringLiteral("select ID, DESCRIPTION from PROJECTS"), id);
}

QString TWorkHistory::developerName(const QVariant& id)
{
    return names(m_developers,
                 QStringLiteral("select ID, %1 from DEVELOPERS")
                     .arg(Dialect::fullName(Dialect::kindOf(m_connection), QString())),
                 id);
}

QString TWorkHistory::actionText(const QString& action)
{
    if (action == QLatin1String("insert"))
        return QStringLiteral("added");
    if (action == QLatin1String("delete"))
        return QStringLiteral("deleted");
    return QStringLiteral("changed");
}

QString TWorkHistory::whenText(const TWorkChange& change)
{
    const QString written = change.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // A change kept in the journal for a moment is written as it is made.
    if (!change.actedAt.isValid() || qAbs(change.actedAt.secsTo(change.at)) < 60)
        return written;
    return QStringLiteral("%1 (written %2)").arg(change.actedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), written);
}

QString TWorkHistory::sourceText(const QString& source)
{
    if (source == QLatin1String("sql"))
        return QStringLiteral("SQL, not the program");
    return source;
}

QString TWorkHistory::describe(const TWorkChange& change)
{
    if (!change.before || !change.after) {
        const TWorkValues& row = change.interval();
        QString text = QStringLiteral("%1 of %2, ").arg(projectName(row[TWorkValues::ProjectId]),
                                                         developerName(row[TWorkValues::DeveloperId]));
        text += row.running() ? QStringLiteral("started %1").arg(momentText(row[TWorkValues::TimeStart]))
                              : QStringLiteral("%1 to %2 (%3)")
                                    .arg(momentText(row[TWorkValues::TimeStart]),
                                         momentText(row[TWorkValues::TimeEnd]), hoursText(row[TWorkValues::TimeSpend]));
        if (!row[TWorkValues::Comments].toString().isEmpty())
            text += QStringLiteral(", comment ") + quotedText(row[TWorkValues::Comments]);
        return text;
    }
    const TWorkValues& was = *change.before;
    const TWorkValues& is = *change.after;
    const auto differs = [&](TWorkValues::Column column) { return was[column] != is[column]; };
    QStringList parts;
    const auto from = [&](const char* what, const QString& old, const QString& now) {
        parts << QStringLiteral("%1 %2 → %3").arg(QLatin1String(what), old, now);
    };
    if (differs(TWorkValues::ProjectId))
        from("project", projectName(was[TWorkValues::ProjectId]), projectName(is[TWorkValues::ProjectId]));
    if (differs(TWorkValues::DeveloperId))
        from("developer", developerName(was[TWorkValues::DeveloperId]), developerName(is[TWorkValues::DeveloperId]));
    if (differs(TWorkValues::TimeStart))
        from("start", momentText(was[TWorkValues::TimeStart]), momentText(is[TWorkValues::TimeStart]));
    if (was.running() && !is.running())
        parts << QStringLiteral("stopped at %1").arg(momentText(is[TWorkValues::TimeEnd]));
    else if (differs(TWorkValues::TimeEnd))
        from("stop", momentText(was[TWorkValues::TimeEnd]), momentText(is[TWorkValues::TimeEnd]));
    if (differs(TWorkValues::TimeSpend) && !(was.running() && !is.running()))
        from("duration", hoursText(was[TWorkValues::TimeSpend]), hoursText(is[TWorkValues::TimeSpend]));
    if (differs(TWorkValues::Comments))
        from("comment", quotedText(was[TWorkValues::Comments]), quotedText(is[TWorkValues::Comments]));
    if (parts.isEmpty())
        return QStringLiteral("nothing that shows (only the stored days or marks)");
    return parts.join(QStringLiteral("; "));
}
