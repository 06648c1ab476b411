#include "components/o_WeekSheet.h"

#include "components/o_ReportTotals.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>

#include <algorithm>
#include <cmath>

qint64 TWeekRow::minutes() const
{
    qint64 sum = 0;
    for (const TWeekCell& cell : days)
        sum += cell.minutes;
    return sum;
}

QString TWeekSheet::statement(bool handMarks, bool oneProject)
{
    // Through the index on (DEVELOPER_ID, DAY_START): a week's rows are read
    // as fast on ten million intervals as on ten.
    QString sql = QStringLiteral("select PW.ID, PW.PROJECT_ID, P.DESCRIPTION as PROJECT_NAME, PW.DAY_START,"
                                 " PW.TIME_START, PW.TIME_END, PW.TIME_SPEND, PW.COMPLETED, PW.COMMENTS, %1\n"
                                 "from PROJECTWORK PW\n"
                                 "left join PROJECTS P on P.ID = PW.PROJECT_ID\n"
                                 "where PW.DEVELOPER_ID = :DEVELOPER_ID and PW.DAY_START >= :FIRST_DAY"
                                 " and PW.DAY_START <= :LAST_DAY")
                      .arg(handMarks ? QStringLiteral("PW.HAND_ENTRY") : QStringLiteral("0 as HAND_ENTRY"));
    if (oneProject)
        sql += QStringLiteral(" and PW.PROJECT_ID = :PROJECT_ID");
    return sql + QStringLiteral("\norder by PW.TIME_START, PW.ID");
}

QList<TWeekInterval> TWeekSheet::read(DbConnection& connection, bool handMarks, int developerId, const QDate& from,
                                      const QDate& to, int projectId)
{
    QVariantList values{developerId, from, to};
    if (projectId != 0)
        values << projectId;
    QSqlQuery query = connection.exec(statement(handMarks, projectId != 0), values);
    QList<TWeekInterval> intervals;
    while (query.next()) {
        TWeekInterval interval;
        interval.id = query.value(0).toInt();
        interval.projectId = query.value(1).toInt();
        interval.projectName = projectName(interval.projectId, query.value(2).toString());
        interval.day = DbConnection::parseDateTime(query.value(3)).date();
        interval.start = DbConnection::parseDateTime(query.value(4));
        interval.end = DbConnection::parseDateTime(query.value(5));
        // As Project Reports counts: closed intervals with their stored
        // duration in whole minutes, running ones without time.
        interval.running = query.value(7).toInt() != 1;
        const double hours = query.value(6).toDouble();
        interval.minutes = interval.running || !std::isfinite(hours) ? 0 : qRound64(hours * 60.0);
        interval.comment = query.value(8).toString();
        interval.hand = query.value(9).toInt() == 1;
        intervals << interval;
    }
    return intervals;
}

TWeekSheet TWeekSheet::load(DbConnection& connection, bool handMarks, int developerId, const TWeek& week)
{
    TWeekSheet sheet;
    sheet.Week = week;
    sheet.DeveloperId = developerId;
    for (const TWeekInterval& interval : read(connection, handMarks, developerId, week.first(), week.last())) {
        const int day = week.indexOf(interval.day);
        if (day < 0)
            continue;
        TWeekCell& cell = sheet.Rows[sheet.addRow(interval.projectId, interval.projectName)].days[std::size_t(day)];
        cell.minutes += interval.minutes;
        if (interval.hand)
            cell.handMinutes += interval.minutes;
        cell.running = cell.running || interval.running;
        cell.intervals << interval;
    }
    return sheet;
}

int TWeekSheet::rowOf(int projectId) const
{
    for (int row = 0; row < Rows.size(); ++row)
        if (Rows.at(row).projectId == projectId)
            return row;
    return -1;
}

int TWeekSheet::addRow(int projectId, const QString& name)
{
    const int existing = rowOf(projectId);
    if (existing >= 0)
        return existing;
    TWeekRow row;
    row.projectId = projectId;
    row.projectName = name;
    const auto at = std::find_if(Rows.begin(), Rows.end(), [&](const TWeekRow& other) {
        const int byName = QString::localeAwareCompare(name, other.projectName);
        return byName != 0 ? byName < 0 : projectId < other.projectId;
    });
    const int index = int(at - Rows.begin());
    Rows.insert(index, row);
    return index;
}

qint64 TWeekSheet::dayMinutes(int day) const
{
    qint64 sum = 0;
    for (const TWeekRow& row : Rows)
        sum += row.days.at(std::size_t(day)).minutes;
    return sum;
}

qint64 TWeekSheet::minutes() const
{
    qint64 sum = 0;
    for (const TWeekRow& row : Rows)
        sum += row.minutes();
    return sum;
}

bool TWeekSheet::anyRunning() const
{
    return std::any_of(Rows.begin(), Rows.end(), [](const TWeekRow& row) {
        return std::any_of(row.days.begin(), row.days.end(), [](const TWeekCell& cell) { return cell.running; });
    });
}

QString TWeekSheet::runningNote()
{
    return QStringLiteral("* An interval is still running there; its time counts once it is stopped.");
}

QString TWeekSheet::cellText(const TWeekCell& cell)
{
    if (cell.minutes == 0 && !cell.running)
        return QString();
    return TReportTotals::hoursText(cell.minutes) + (cell.running ? QStringLiteral("*") : QString());
}

QString TWeekSheet::developerName(DbConnection& connection, int developerId)
{
    QSqlQuery query =
        connection.exec(QStringLiteral("select LASTNAME, NAME from DEVELOPERS where ID = :ID"), {developerId});
    const QString name =
        query.next() ? (query.value(0).toString() + QLatin1Char(' ') + query.value(1).toString()).trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("developer %1").arg(developerId) : name;
}

QString TWeekSheet::projectName(int projectId, const QString& name)
{
    if (!name.trimmed().isEmpty())
        return name;
    return projectId == 0 ? QStringLiteral("(no project)") : QStringLiteral("(project %1)").arg(projectId);
}

QList<QStringList> TWeekSheet::text() const
{
    QStringList titles{QStringLiteral("Project")};
    QStringList totals{QStringLiteral("Total")};
    for (int day = 0; day < 7; ++day) {
        titles << TWeek::dayTitle(Week.day(day));
        totals << TReportTotals::hoursText(dayMinutes(day));
    }
    titles << QStringLiteral("Total");
    totals << TReportTotals::hoursText(minutes());
    QList<QStringList> lines{titles};
    for (const TWeekRow& row : Rows) {
        QStringList line{row.projectName};
        for (const TWeekCell& cell : row.days)
            line << cellText(cell);
        line << TReportTotals::hoursText(row.minutes());
        lines << line;
    }
    lines << totals;
    return lines;
}
