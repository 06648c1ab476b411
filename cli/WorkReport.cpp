#include "cli/WorkReport.h"

#include "cli/TextTable.h"
#include "components/o_Duration.h"
#include "toolkit/CsvWriter.h"
#include "toolkit/DbConnection.h"

#include <QTextStream>

namespace {

QString dateText(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QString timeText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QStringList cellsOf(const ReportRow& row, const QString& hours, const QString& comment)
{
    return {row.project, row.developer,           dateText(row.dayStart), dateText(row.dayEnd),
            hours,       timeText(row.timeStart), timeText(row.timeEnd), comment};
}

constexpr int WorkTimeColumn = 4;

} // namespace

QStringList WorkReport::columnTitles()
{
    return {QStringLiteral("Project"),   QStringLiteral("Developer"),  QStringLiteral("Start Date"),
            QStringLiteral("End Date"),  QStringLiteral("Work Time"),  QStringLiteral("Start Time"),
            QStringLiteral("End Time"),  QStringLiteral("Comment")};
}

QString WorkReport::statement(const ReportFilter& filter)
{
    QString sql = QStringLiteral(
        "select PR.DESCRIPTION as PROJECT_NAME, DEV.LASTNAME as DEV_LASTNAME, PW.DAY_START, PW.DAY_END,"
        " PW.TIME_SPEND, PW.TIME_START, PW.TIME_END, PW.COMMENTS\n"
        "from PROJECTWORK PW\n"
        "left join PROJECTS PR on PR.ID = PW.PROJECT_ID\n"
        "left join DEVELOPERS DEV on DEV.ID = PW.DEVELOPER_ID\n"
        "where PW.COMPLETED = 1 and PW.DAY_START >= :DAY_START and PW.DAY_END <= :DAY_END");
    if (filter.developerId != 0)
        sql += QStringLiteral(" and PW.DEVELOPER_ID = :DEVELOPER_ID");
    if (filter.projectId != 0)
        sql += QStringLiteral(" and PW.PROJECT_ID = :PROJECT_ID");
    if (filter.customerId != 0)
        sql += QStringLiteral(" and PR.CUSTOMER_ID = :CUSTOMER_ID");
    sql += QStringLiteral("\norder by PW.DAY_START, PW.TIME_START, PW.ID");
    return sql;
}

QVariantList WorkReport::values(const ReportFilter& filter)
{
    QVariantList values{filter.from, filter.to};
    for (int id : {filter.developerId, filter.projectId, filter.customerId})
        if (id != 0)
            values << id;
    return values;
}

QList<ReportRow> WorkReport::load(DbConnection& connection, const ReportFilter& filter)
{
    QSqlQuery query = connection.exec(statement(filter), values(filter));
    QList<ReportRow> rows;
    while (query.next()) {
        ReportRow row;
        row.project = query.value(0).toString();
        row.developer = query.value(1).toString();
        row.dayStart = DbConnection::parseDateTime(query.value(2)).date();
        row.dayEnd = DbConnection::parseDateTime(query.value(3)).date();
        row.hours = query.value(4).toDouble();
        row.timeStart = DbConnection::parseDateTime(query.value(5));
        row.timeEnd = DbConnection::parseDateTime(query.value(6));
        row.comment = query.value(7).toString();
        rows << row;
    }
    return rows;
}

qint64 WorkReport::totalMinutes(const QList<ReportRow>& rows)
{
    qint64 total = 0;
    for (const ReportRow& row : rows)
        total += Duration::minutesOf(row.hours);
    return total;
}

void WorkReport::writeCsv(QTextStream& out, const QList<ReportRow>& rows)
{
    auto writeRecord = [&out](const QStringList& fields) { out << CsvWriter::record(fields) << "\r\n"; };
    writeRecord(columnTitles());
    for (const ReportRow& row : rows)
        writeRecord(cellsOf(row, QString::number(double(Duration::minutesOf(row.hours)) / 60.0, 'g', 12), row.comment));
    out.flush();
}

void WorkReport::writeTable(QTextStream& out, const QList<ReportRow>& rows)
{
    // The table keeps one line per interval: a comment's line breaks become blanks.
    QList<QStringList> lines{columnTitles()};
    for (const ReportRow& row : rows)
        lines << cellsOf(row, Duration::text(Duration::minutesOf(row.hours)), TextTable::oneLine(row.comment));
    TextTable::write(out, lines, {WorkTimeColumn}, true);
    out << "Total: " << rows.size() << (rows.size() == 1 ? " interval, " : " intervals, ")
        << Duration::text(totalMinutes(rows)) << " h\n";
    out.flush();
}
