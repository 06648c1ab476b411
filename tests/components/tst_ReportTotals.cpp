#include "components/o_ReportTotals.h"
#include "toolkit/MemTable.h"

#include <QtTest>

namespace {

// One result row; a negative spend stands for an interval still running.
struct Row
{
    int project; // 0: none
    const char* projectName;
    int developer; // 0: none
    const char* lastName;
    const char* day; // DAY_START, "" for none
    const char* start; // TIME_START, "" for none
    double spend;
};

void fill(MemTable& table, const QList<Row>& rows, FieldType spendType = FieldType::Float,
          FieldType dayType = FieldType::Date)
{
    table.addField("PROJECT_ID", FieldType::Integer);
    table.addField("PROJECT_NAME", FieldType::Text);
    table.addField("DEVELOPER_ID", FieldType::Integer);
    table.addField("DEV_LASTNAME", FieldType::Text);
    table.addField("DEV_FIRSTNAME", FieldType::Text);
    table.addField("DAY_START", dayType);
    table.addField("TIME_START", FieldType::DateTime);
    table.addField("TIME_END", FieldType::DateTime);
    table.addField("TIME_SPEND", spendType);
    table.open();
    for (const Row& row : rows) {
        table.append();
        if (row.project)
            table.setValue("PROJECT_ID", row.project);
        if (*row.projectName)
            table.setValue("PROJECT_NAME", QString::fromUtf8(row.projectName));
        if (row.developer)
            table.setValue("DEVELOPER_ID", row.developer);
        if (*row.lastName) {
            table.setValue("DEV_LASTNAME", QString::fromUtf8(row.lastName));
            table.setValue("DEV_FIRSTNAME", QStringLiteral("Ann"));
        }
        if (*row.day)
            table.setValue("DAY_START", dayType == FieldType::Text ? QVariant(QString::fromLatin1(row.day))
                                                                  : QVariant(QDate::fromString(row.day, Qt::ISODate)));
        const QDateTime start = QDateTime::fromString(QString::fromLatin1(row.start), Qt::ISODate);
        if (start.isValid())
            table.setValue("TIME_START", start);
        if (row.spend >= 0) {
            table.setValue("TIME_END", start.isValid() ? start.addSecs(qint64(row.spend * 3600)) : QDateTime::currentDateTime());
            table.setValue("TIME_SPEND", spendType == FieldType::Text ? QVariant(QString::number(row.spend, 'g', 17))
                                                                     : QVariant(row.spend));
        }
        table.post();
    }
}

QStringList groups(const QList<TReportGroup>& list)
{
    QStringList texts;
    for (const TReportGroup& group : list)
        texts << QStringLiteral("%1 %2 %3").arg(group.name, TReportTotals::hoursText(group.minutes)).arg(group.intervals);
    return texts;
}

QStringList buckets(const TReportTotals& totals)
{
    QStringList texts;
    for (const TReportBucket& bucket : totals.Buckets)
        if (bucket.minutes != 0)
            texts << totals.bucketLabel(bucket) + QLatin1Char('=') + TReportTotals::hoursText(bucket.minutes);
    return texts;
}

} // namespace

class TestReportTotals : public QObject
{
    Q_OBJECT

private slots:
    void hoursText_data()
    {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << "0:00";
        QTest::newRow("under an hour") << qint64(59) << "0:59";
        QTest::newRow("one hour") << qint64(60) << "1:00";
        QTest::newRow("the example") << qint64(37 * 60 + 45) << "37:45";
        QTest::newRow("beyond a day") << qint64(100 * 60) << "100:00";
        QTest::newRow("negative keeps its sign") << qint64(-30) << "-0:30";
    }
    void hoursText()
    {
        QFETCH(qint64, minutes);
        QFETCH(QString, text);
        QCOMPARE(TReportTotals::hoursText(minutes), text);
    }

    void sums_data()
    {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("byProject");
        QTest::addColumn<QStringList>("byDeveloper");

        QTest::newRow("empty result") << QList<Row>{} << "0 intervals, 0:00 h" << QStringList{} << QStringList{};
        QTest::newRow("one interval")
            << QList<Row>{{1, "Billing", 1, "Smith", "2026-12-08", "2026-12-08T09:00:00", 1.5}}
            << "1 interval, 1:30 h" << QStringList{"Billing 1:30 1"} << QStringList{"Smith Ann 1:30 1"};
        QTest::newRow("a running interval counts without time")
            << QList<Row>{{1, "Billing", 1, "Smith", "2026-12-08", "2026-12-08T09:00:00", 1.0},
                          {1, "Billing", 1, "Smith", "2026-12-08", "2026-12-08T11:00:00", -1}}
            << "2 intervals, 1:00 h (1 still running)" << QStringList{"Billing 1:00 2"}
            << QStringList{"Smith Ann 1:00 2"};
        QTest::newRow("most hours first, ties by name")
            << QList<Row>{{2, "Portal", 1, "Smith", "2026-12-01", "", 2.0},
                          {1, "Billing", 2, "Jones", "2026-12-01", "", 3.0},
                          {3, "Archive", 1, "Smith", "2026-12-02", "", 2.0},
                          {2, "Portal", 2, "Jones", "2026-12-02", "", 0.25}}
            << "4 intervals, 7:15 h" << QStringList{"Billing 3:00 1", "Portal 2:15 2", "Archive 2:00 1"}
            << QStringList{"Smith Ann 4:00 2", "Jones Ann 3:15 2"};
        QTest::newRow("projects of one name stay apart by their number")
            << QList<Row>{{1, "Portal", 1, "Smith", "2026-12-01", "", 1.0},
                          {2, "Portal", 1, "Smith", "2026-12-01", "", 2.0}}
            << "2 intervals, 3:00 h" << QStringList{"Portal 2:00 1", "Portal 1:00 1"}
            << QStringList{"Smith Ann 3:00 2"};
        QTest::newRow("deleted and missing projects and developers")
            << QList<Row>{{9, "", 4, "", "2026-12-01", "", 1.0}, {0, "", 0, "", "2026-12-01", "", 0.5}}
            << "2 intervals, 1:30 h" << QStringList{"(project 9) 1:00 1", "(none) 0:30 1"}
            << QStringList{"(developer 4) 1:00 1", "(none) 0:30 1"};
        QTest::newRow("non-Latin names")
            << QList<Row>{{1, "Έργο", 1, "Иванов", "2026-12-01", "", 0.75}}
            << "1 interval, 0:45 h" << QStringList{"Έργο 0:45 1"} << QStringList{"Иванов Ann 0:45 1"};
    }
    void sums()
    {
        QFETCH(QList<Row>, rows);
        QFETCH(QString, text);
        QFETCH(QStringList, byProject);
        QFETCH(QStringList, byDeveloper);
        MemTable table;
        fill(table, rows);
        const TReportTotals totals = TReportTotals::of(table);
        QCOMPARE(totals.text(), text);
        QCOMPARE(groups(totals.ByProject), byProject);
        QCOMPARE(groups(totals.ByDeveloper), byDeveloper);
        QCOMPARE(totals.Intervals, rows.size());
    }

    // Stored durations are k/60 hours: summed as minutes, a thousand
    // one-minute intervals make exactly 16:40, where adding the hours as
    // floating point would drift.
    void minutesAddUpExactly()
    {
        QList<Row> rows;
        for (int i = 0; i < 1000; ++i)
            rows.append(Row{1, "Billing", 1, "Smith", "2026-12-01", "", 1.0 / 60.0});
        MemTable table;
        fill(table, rows);
        const TReportTotals totals = TReportTotals::of(table);
        QCOMPARE(totals.Minutes, 1000);
        QCOMPARE(totals.text(), "1000 intervals, 16:40 h");
    }

    // A driver that hands back texts (as ODBC may for computed columns) still adds up.
    void textColumnsAreRead()
    {
        MemTable table;
        fill(table,
             {{1, "Billing", 1, "Smith", "2026-12-01", "", 1.25}, {1, "Billing", 1, "Smith", "2026-12-03", "", 2.0}},
             FieldType::Text, FieldType::Text);
        const TReportTotals totals = TReportTotals::of(table);
        QCOMPARE(totals.text(), "2 intervals, 3:15 h");
        QCOMPARE(buckets(totals), QStringList({"2026-12-01=1:15", "2026-12-03=2:00"}));
    }

    void onlyVisibleRowsCount()
    {
        MemTable master;
        master.addField("PROJECT_ID", FieldType::Integer);
        master.open();
        master.setValue("PROJECT_ID", 2);
        master.post();
        MemTable table;
        fill(table, {{1, "Billing", 1, "Smith", "2026-12-01", "", 1.0}, {2, "Portal", 1, "Smith", "2026-12-01", "", 2.0}});
        table.setMasterLink(&master, "PROJECT_ID", "PROJECT_ID");
        QCOMPARE(TReportTotals::of(table).text(), "1 interval, 2:00 h");
    }

    void chartBuckets_data()
    {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("filled");
        QTest::newRow("no rows, no bars") << QList<Row>{} << false << 0 << QStringList{};
        QTest::newRow("days between are empty bars")
            << QList<Row>{{1, "B", 1, "S", "2026-12-01", "", 1.0},
                          {1, "B", 1, "S", "2026-12-05", "", 2.0},
                          {1, "B", 1, "S", "2026-12-05", "", 0.5}}
            << false << 5 << QStringList{"2026-12-01=1:00", "2026-12-05=2:30"};
        QTest::newRow("a hand entry without days counts on its start's day")
            << QList<Row>{{1, "B", 1, "S", "", "2026-12-02T22:00:00", 1.0}} << false << 1
            << QStringList{"2026-12-02=1:00"};
        QTest::newRow("no date at all: summed, not charted")
            << QList<Row>{{1, "B", 1, "S", "", "", 1.0}} << false << 0 << QStringList{};
        QTest::newRow("62 days are still days")
            << QList<Row>{{1, "B", 1, "S", "2026-01-01", "", 1.0}, {1, "B", 1, "S", "2026-03-03", "", 1.0}}
            << false << 62 << QStringList{"2026-01-01=1:00", "2026-03-03=1:00"};
        // 2026-01-01 is a Thursday in ISO week 1; 2026-03-04 a Wednesday of week 10.
        QTest::newRow("63 days go by weeks from Monday")
            << QList<Row>{{1, "B", 1, "S", "2026-01-01", "", 1.0},
                          {1, "B", 1, "S", "2026-01-04", "", 2.0},
                          {1, "B", 1, "S", "2026-03-04", "", 1.0}}
            << true << 10 << QStringList{"2026-W01=3:00", "2026-W10=1:00"};
        QTest::newRow("weeks across the new year")
            << QList<Row>{{1, "B", 1, "S", "2025-11-20", "", 1.0}, {1, "B", 1, "S", "2026-01-25", "", 1.0}}
            << true << 10 << QStringList{"2025-W47=1:00", "2026-W04=1:00"};
    }
    void chartBuckets()
    {
        QFETCH(QList<Row>, rows);
        QFETCH(bool, weekly);
        QFETCH(int, count);
        QFETCH(QStringList, filled);
        MemTable table;
        fill(table, rows);
        const TReportTotals totals = TReportTotals::of(table);
        QCOMPARE(totals.Weekly, weekly);
        QCOMPARE(totals.Buckets.size(), count);
        QCOMPARE(buckets(totals), filled);
        for (int i = 1; i < totals.Buckets.size(); ++i)
            QCOMPARE(totals.Buckets.at(i - 1).first.daysTo(totals.Buckets.at(i).first), weekly ? 7 : 1);
        if (weekly && count > 0)
            QCOMPARE(totals.Buckets.first().first.dayOfWeek(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReportTotals)
#include "tst_ReportTotals.moc"
