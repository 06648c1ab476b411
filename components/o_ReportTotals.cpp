#include "components/o_ReportTotals.h"

#include "components/o_Duration.h"

#include "toolkit/MemTable.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 kNoId = std::numeric_limits<qint64>::min();

// Reads one field of the result whatever type the driver gave it, through
// the table's bulk readers when the type allows.
class FieldReader
{
public:
    FieldReader(const MemTable& table, const char* name)
        : m_table(table)
        , m_field(table.fieldIndex(QString::fromLatin1(name)))
        , m_type(m_field >= 0 ? table.fieldDef(m_field).type : FieldType::Text)
    {
    }

    bool present() const { return m_field >= 0; }
    bool isNull(int row) const { return m_table.isNullAt(row, m_field); }

    bool number(int row, double* out) const
    {
        if (m_field < 0)
            return false;
        if (m_type == FieldType::Float || m_type == FieldType::Integer || m_type == FieldType::AutoInc)
            return m_table.realAt(row, m_field, out);
        bool ok = false;
        const QVariant value = m_table.valueAt(row, m_field);
        *out = value.toDouble(&ok);
        return !value.isNull() && ok;
    }

    bool id(int row, qint64* out) const
    {
        if (m_field < 0)
            return false;
        if (m_type == FieldType::Integer || m_type == FieldType::AutoInc)
            return m_table.intAt(row, m_field, out);
        bool ok = false;
        const QVariant value = m_table.valueAt(row, m_field);
        *out = value.toLongLong(&ok);
        return !value.isNull() && ok;
    }

    // The day as a Julian day number.
    bool day(int row, qint64* out) const
    {
        if (m_field < 0)
            return false;
        if (m_type == FieldType::Date)
            return m_table.intAt(row, m_field, out);
        const QVariant value = m_table.valueAt(row, m_field);
        QDate date;
        if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (!value.isNull())
            date = QDate::fromString(value.toString().left(10), Qt::ISODate);
        if (!date.isValid())
            return false;
        *out = date.toJulianDay();
        return true;
    }

    QString text(int row) const { return m_field < 0 ? QString() : m_table.valueAt(row, m_field).toString(); }

private:
    const MemTable& m_table;
    int m_field;
    FieldType m_type;
};

// Adds a row to its group; the name is read once per group.
template <class NameOf>
void addTo(QList<TReportGroup>& groups, QHash<qint64, int>& index, bool hasId, qint64 id, qint64 minutes,
           NameOf nameOf)
{
    const qint64 key = hasId ? id : kNoId;
    auto found = index.constFind(key);
    int at = 0;
    if (found == index.constEnd()) {
        at = int(groups.size());
        index.insert(key, at);
        TReportGroup group;
        group.hasId = hasId;
        group.id = hasId ? id : 0;
        group.name = nameOf();
        groups.append(group);
    } else {
        at = found.value();
    }
    TReportGroup& group = groups[at];
    group.minutes += minutes;
    ++group.intervals;
}

void sortByHours(QList<TReportGroup>& groups)
{
    std::sort(groups.begin(), groups.end(), [](const TReportGroup& a, const TReportGroup& b) {
        if (a.minutes != b.minutes)
            return a.minutes > b.minutes;
        const int byName = QString::localeAwareCompare(a.name, b.name);
        if (byName != 0)
            return byName < 0;
        return a.id < b.id;
    });
}

QString nameOr(const QString& name, const QString& placeholder, bool hasId, qint64 id)
{
    if (!name.trimmed().isEmpty())
        return name.trimmed();
    return hasId ? placeholder.arg(id) : QStringLiteral("(none)");
}

} // namespace

TReportTotals TReportTotals::of(const MemTable& results)
{
    TReportTotals totals;
    const FieldReader spend(results, "TIME_SPEND");
    const FieldReader timeEnd(results, "TIME_END");
    const FieldReader projectId(results, "PROJECT_ID");
    const FieldReader projectName(results, "PROJECT_NAME");
    const FieldReader developerId(results, "DEVELOPER_ID");
    const FieldReader lastName(results, "DEV_LASTNAME");
    const FieldReader firstName(results, "DEV_FIRSTNAME");
    const FieldReader dayStart(results, "DAY_START");
    const FieldReader timeStart(results, "TIME_START");

    QHash<qint64, int> projects;
    QHash<qint64, int> developers;
    QHash<qint64, qint64> minutesByDay;
    qint64 firstDay = std::numeric_limits<qint64>::max();
    qint64 lastDay = std::numeric_limits<qint64>::min();

    const int rows = results.recordCount();
    totals.Intervals = rows;
    for (int row = 0; row < rows; ++row) {
        double hours = 0;
        const qint64 minutes = spend.number(row, &hours) && std::isfinite(hours) ? Duration::minutesOf(hours) : 0;
        totals.Minutes += minutes;
        if (timeEnd.present() && timeEnd.isNull(row))
            ++totals.OpenIntervals;

        qint64 id = 0;
        bool hasId = projectId.id(row, &id);
        addTo(totals.ByProject, projects, hasId, id, minutes, [&] {
            return nameOr(projectName.text(row), QStringLiteral("(project %1)"), hasId, id);
        });
        hasId = developerId.id(row, &id);
        addTo(totals.ByDeveloper, developers, hasId, id, minutes, [&] {
            return nameOr(lastName.text(row) + QLatin1Char(' ') + firstName.text(row),
                          QStringLiteral("(developer %1)"), hasId, id);
        });

        // Hand entries of old had no days; their start time tells the day.
        qint64 day = 0;
        if (dayStart.day(row, &day) || timeStart.day(row, &day)) {
            minutesByDay[day] += minutes;
            firstDay = std::min(firstDay, day);
            lastDay = std::max(lastDay, day);
        }
    }
    sortByHours(totals.ByProject);
    sortByHours(totals.ByDeveloper);

    if (!minutesByDay.isEmpty()) {
        totals.Weekly = lastDay - firstDay + 1 > DaysBeforeWeeks;
        const int step = totals.Weekly ? 7 : 1;
        // Weeks start on Monday (dayOfWeek 1).
        auto bucketStart = [&](qint64 day) {
            return totals.Weekly ? day - (QDate::fromJulianDay(day).dayOfWeek() - 1) : day;
        };
        const qint64 first = bucketStart(firstDay);
        QList<TReportBucket> buckets;
        for (qint64 day = first; day <= lastDay; day += step)
            buckets.append(TReportBucket{QDate::fromJulianDay(day), 0});
        for (auto it = minutesByDay.cbegin(); it != minutesByDay.cend(); ++it)
            buckets[(bucketStart(it.key()) - first) / step].minutes += it.value();
        totals.Buckets = buckets;
    }
    return totals;
}

QString TReportTotals::hoursText(qint64 minutes)
{
    return Duration::text(minutes);
}

QString TReportTotals::text() const
{
    QString line = QStringLiteral("%1 %2, %3 h")
                       .arg(Intervals)
                       .arg(Intervals == 1 ? QStringLiteral("interval") : QStringLiteral("intervals"))
                       .arg(hoursText(Minutes));
    if (OpenIntervals > 0)
        line += QStringLiteral(" (%1 still running)").arg(OpenIntervals);
    return line;
}

QString TReportTotals::bucketLabel(const TReportBucket& bucket) const
{
    if (!Weekly)
        return bucket.first.toString(QStringLiteral("yyyy-MM-dd"));
    int year = 0;
    const int week = bucket.first.weekNumber(&year);
    return QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0'));
}
