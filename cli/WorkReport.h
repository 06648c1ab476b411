#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class DbConnection;
class QTextStream;

// Which completed intervals a report lists: those whose first and last day
// lie within [from, to], optionally of one developer, project or customer
// (0 = any).
struct ReportFilter
{
    QDate from;
    QDate to;
    int developerId = 0;
    int projectId = 0;
    int customerId = 0;
};

// One interval with the report window's columns, the comment last.
struct ReportRow
{
    QString project;
    QString developer;
    QDate dayStart;
    QDate dayEnd;
    double hours = 0;
    QDateTime timeStart;
    QDateTime timeEnd;
    QString comment;
};

// The intervals of the report window's search, read with parameters and
// written as an aligned table or as CSV (RFC 4180).
class WorkReport
{
public:
    static QStringList columnTitles();

    static QString statement(const ReportFilter& filter);
    static QVariantList values(const ReportFilter& filter);
    static QList<ReportRow> load(DbConnection& connection, const ReportFilter& filter);

    // Durations are k/60 hours; adding whole minutes keeps the total exact.
    static qint64 totalMinutes(const QList<ReportRow>& rows);

    // Header and one record per row, CRLF line ends, fields quoted as needed.
    static void writeCsv(QTextStream& out, const QList<ReportRow>& rows);
    // Columns padded to their widest entry, the work time right-aligned,
    // then a line with the totals.
    static void writeTable(QTextStream& out, const QList<ReportRow>& rows);
};
