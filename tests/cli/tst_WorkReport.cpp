#include "cli/WorkReport.h"

#include <QtTest>

class TestWorkReport : public QObject
{
    Q_OBJECT

private slots:
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
        QVERIFY(text.endsWith("Total: 60 intervals, 1:00 h\n"));
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
        QCOMPARE(lines.at(2), QStringLiteral("         Berg       2026-05-01  2026-05-01       0:30"));
        QCOMPARE(lines.at(3), QStringLiteral("Total: 1 interval, 0:30 h"));
    }
};

QTEST_GUILESS_MAIN(TestWorkReport)
#include "tst_WorkReport.moc"
