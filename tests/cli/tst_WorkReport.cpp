#include "cli/WorkReport.h"

#include <QtTest>

class TestWorkReport : public QObject
{
    Q_OBJECT

private slots:
    void csvField_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "Portal" << "Portal";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks are data") << " Portal " << " Portal ";
        QTest::newRow("comma") << "Portal, phase 2" << "\"Portal, phase 2\"";
        QTest::newRow("quote doubled") << "the \"new\" site" << "\"the \"\"new\"\" site\"";
        QTest::newRow("line feed") << "two\nlines" << "\"two\nlines\"";
        QTest::newRow("carriage return") << "two\rlines" << "\"two\rlines\"";
        QTest::newRow("only a quote") << "\"" << "\"\"\"\"";
    }
    void csvField()
    {
        QFETCH(QString, value);
        QFETCH(QString, field);
        QCOMPARE(WorkReport::csvField(value), field);
    }

    // Stored durations are k/60 hours; the total counts whole minutes, so
    // sixty one-minute intervals make exactly one hour.
    void totalsCountWholeMinutes()
    {
        QList<ReportRow> rows;
        for (int i = 0; i < 60; ++i) {
            ReportRow row;
            row.hours = 1.0 / 60.0;
            rows << row;
        }
        QCOMPARE(WorkReport::totalMinutes(rows), 60);
        QString text;
        QTextStream out(&text);
        WorkReport::writeTable(out, rows);
        QVERIFY(text.endsWith("Total: 60 intervals, 1.00 hours\n"));
    }

    void emptyTableStillHasHeaderAndTotal()
    {
        QString text;
        QTextStream out(&text);
        WorkReport::writeTable(out, {});
        QCOMPARE(text, QStringLiteral("Project  Developer  Start Date  End Date  Work Time  Start Time  End Time\n"
                                      "-------  ---------  ----------  --------  ---------  ----------  --------\n"
                                      "Total: 0 intervals, 0.00 hours\n"));
    }

    // A row without a project name keeps the columns in line.
    void emptyCellsKeepTheColumns()
    {
        ReportRow row;
        row.developer = "Berg";
        row.dayStart = row.dayEnd = QDate(2026, 5, 1);
        row.hours = 0.5;
        QString text;
        QTextStream out(&text);
        WorkReport::writeTable(out, {row});
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.at(2), QStringLiteral("         Berg       2026-05-01  2026-05-01       0.50"));
        QCOMPARE(lines.at(3), QStringLiteral("Total: 1 interval, 0.50 hours"));
    }

    void filtersBecomeParameters_data()
    {
        QTest::addColumn<int>("developer");
        QTest::addColumn<int>("project");
        QTest::addColumn<int>("customer");
        QTest::addColumn<QStringList>("conditions");
        QTest::newRow("dates only") << 0 << 0 << 0 << QStringList{};
        QTest::newRow("developer") << 2 << 0 << 0 << QStringList{"PW.DEVELOPER_ID = :DEVELOPER_ID"};
        QTest::newRow("all three") << 2 << 3 << 1
                                   << QStringList{"PW.DEVELOPER_ID = :DEVELOPER_ID", "PW.PROJECT_ID = :PROJECT_ID",
                                                  "PR.CUSTOMER_ID = :CUSTOMER_ID"};
    }
    void filtersBecomeParameters()
    {
        QFETCH(int, developer);
        QFETCH(int, project);
        QFETCH(int, customer);
        QFETCH(QStringList, conditions);
        ReportFilter filter{QDate(2026, 5, 1), QDate(2026, 5, 31), developer, project, customer};
        const QString sql = WorkReport::statement(filter);
        QVERIFY(sql.contains("PW.COMPLETED = 1 and PW.DAY_START >= :DAY_START and PW.DAY_END <= :DAY_END"));
        for (const QString& condition : conditions)
            QVERIFY2(sql.contains(condition), qPrintable(sql));
        QCOMPARE(sql.count(':'), 2 + conditions.size());
        QVariantList expected{QDate(2026, 5, 1), QDate(2026, 5, 31)};
        for (int id : {developer, project, customer})
            if (id)
                expected << id;
        QCOMPARE(WorkReport::values(filter), expected);
    }
};

QTEST_GUILESS_MAIN(TestWorkReport)
#include "tst_WorkReport.moc"
