#include "components/o_HoursChart.h"
#include "components/o_ReportPrinter.h"
#include "support/BoundGrid.h"
#include "support/ExternalReaders.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

class TestReportPrinter : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<BoundGrid> m_view;
    MemTable* m_table = nullptr;
    DbGrid* m_grid = nullptr;

    void fill(int rows)
    {
        m_table->close();
        m_table->open();
        for (int i = 0; i < rows; ++i) {
            m_table->append();
            m_table->setValue("PROJECT_NAME", QStringLiteral("Row %1").arg(i));
            m_table->setValue("DEV_LASTNAME", QStringLiteral("Smith"));
            m_table->setValue("DAY_START", QDate(2026, 12, 1).addDays(i % 7));
            m_table->setValue("TIME_SPEND", 1.25);
            m_table->setValue("SECRET", QStringLiteral("hidden-%1").arg(i));
            m_table->post();
        }
    }
    TReportPrinter printer()
    {
        TReportPrinter p;
        p.Title = QStringLiteral("Project Reports");
        p.Criteria = {QStringLiteral("Developer: Smith Ann"), QStringLiteral("Days: any day")};
        p.Totals = {QStringLiteral("3 intervals, 3:45 h")};
        p.setGrid(m_grid);
        return p;
    }
    QString path(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

private slots:
    void init()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 8), QTime(14, 3)));
        m_dir = std::make_unique<QTemporaryDir>();
        m_view = std::make_unique<BoundGrid>();
        m_table = &m_view->table;
        m_grid = &m_view->grid;
        m_table->addField("PROJECT_NAME", FieldType::Text);
        m_table->addField("DEV_LASTNAME", FieldType::Text);
        m_table->addField("DAY_START", FieldType::Date);
        m_table->addField("TIME_SPEND", FieldType::Float);
        m_table->addField("SECRET", FieldType::Text);
        m_table->open();
        m_grid->addColumn("PROJECT_NAME", "Project", 150);
        m_grid->addColumn("DEV_LASTNAME", "Developer", 140);
        m_grid->addColumn("DAY_START", "Start Date", 100);
        m_grid->addColumn("TIME_SPEND", "Work Time", 99);
        m_grid->addColumn("SECRET", "Secret", 80, false);
    }
    void cleanup()
    {
        m_view.reset();
        m_dir.reset();
        Clock::reset();
    }

    void pdfHoldsTheResult()
    {
        m_table->close();
        m_table->open();
        const QStringList names{"Billing", "O'Brien & Co, \"new\"", "Έργο Ελλάδα", "Проект"};
        for (const QString& name : names) {
            m_table->append();
            m_table->setValue("PROJECT_NAME", name);
            m_table->setValue("DEV_LASTNAME", QStringLiteral("Smith"));
            m_table->setValue("DAY_START", QDate(2026, 12, 8));
            m_table->setValue("TIME_SPEND", 1.25);
            m_table->setValue("SECRET", QStringLiteral("not-for-print"));
            m_table->post();
        }
        const QString file = path("report.pdf");
        QVERIFY(printer().savePdf(file));
        QCOMPARE(ExternalReaders::pdfPages(file), 1);
        const QString text = ExternalReaders::pdfText(file);
        for (const QString& expected :
             QStringList{"Project Reports", "Developer: Smith Ann", "Days: any day", "Project", "Developer",
                         "Start Date", "Work Time", "2026-12-08", "1.25", "3 intervals, 3:45 h", "Page 1 of 1",
                         "2026-12-08 14:03"}
             + names)
            QVERIFY2(text.contains(expected), qPrintable(expected + " not in:\n" + text));
        QVERIFY(!text.contains("not-for-print"));
        QVERIFY(!text.contains("Secret"));
    }

    // Column titles on every page, every row once, the totals after the last.
    void longResultsGoOnMorePages()
    {
        fill(250);
        const QString file = path("long.pdf");
        TReportPrinter report = printer();
        QBuffer scratch;
        scratch.open(QIODevice::WriteOnly);
        QPdfWriter sizing(&scratch);
        TReportPrinter::setUpPage(sizing);
        const int pages = report.pageCount(sizing);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QList<int> seen;
        QVERIFY(report.savePdf(file, [&](int page, int total) {
            seen << page;
            return total == pages;
        }));
        QCOMPARE(ExternalReaders::pdfPages(file), pages);
        QCOMPARE(seen.size(), pages);
        const QString text = ExternalReaders::pdfText(file);
        QCOMPARE(text.count("Start Date"), pages);
        QCOMPARE(text.count(QStringLiteral("Page %1 of %1").arg(pages)), 1);
        QCOMPARE(text.count("Developer: Smith Ann"), 1);
        for (int i = 0; i < 250; ++i)
            QVERIFY2(text.count(QRegularExpression(QStringLiteral("\\bRow %1\\b").arg(i))) == 1, qPrintable(QString::number(i)));
        QVERIFY(text.indexOf("Row 249") < text.indexOf("3 intervals, 3:45 h"));
    }

    void chartIsDrawnAfterTheTotals()
    {
        fill(3);
        THoursChart chart;
        TReportTotals totals;
        totals.Buckets = {TReportBucket{QDate(2026, 11, 1), 90}, TReportBucket{QDate(2026, 11, 2), 30}};
        chart.setTotals(totals);
        TReportPrinter report = printer();
        report.setChart(&chart);
        const QString file = path("chart.pdf");
        QVERIFY(report.savePdf(file));
        const QString text = ExternalReaders::pdfText(file);
        // The axis labels of the chart: its first and last day and the scale.
        QVERIFY2(text.contains("2026-11-01") && text.contains("2026-11-02")
                     && text.contains(QRegularExpression("\\b2\\s*h\\b")),
                 qPrintable(text));
        QVERIFY(text.indexOf("3 intervals, 3:45 h") < text.indexOf("2026-11-01"));
    }

    // A long list of projects under the totals wraps; none of them is cut off.
    void longTotalsLinesWrap()
    {
        fill(2);
        QStringList parts;
        for (int i = 1; i <= 60; ++i)
            parts << QStringLiteral("Project%1 %1:00 h (1)").arg(i);
        TReportPrinter report = printer();
        report.Totals << "By project: " + parts.join(", ");
        const QString file = path("wrapped.pdf");
        QVERIFY(report.savePdf(file));
        const QString text = ExternalReaders::pdfText(file);
        for (int i = 1; i <= 60; ++i)
            QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Project%1\\s+%1:00\\s+h").arg(i))),
                     qPrintable(QString::number(i) + "\n" + text));
        QVERIFY(text.indexOf("Project60") < text.indexOf("Page 1 of 1"));
    }

    void failuresLeaveNoFile_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("folder missing") << false;
        QTest::newRow("stopped after the first page") << true;
    }
    void failuresLeaveNoFile()
    {
        QFETCH(bool, cancel);
        fill(200);
        const QString file = cancel ? path("old.pdf") : path("missing/report.pdf");
        if (cancel) {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("older report");
        }
        TReportPrinter report = printer();
        if (cancel) {
            QVERIFY(!report.savePdf(file, [](int, int) { return false; }));
            QFile old(file);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("older report"));
        } else {
            try {
                report.savePdf(file);
                QFAIL("no failure reported");
            } catch (const AppError& error) {
                QVERIFY2(error.message().startsWith("Unable to write to " + file), qPrintable(error.message()));
            }
            QVERIFY(!QFileInfo::exists(file));
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), cancel ? QStringList{"old.pdf"} : QStringList{});
    }
};

QTEST_MAIN(TestReportPrinter)
#include "tst_ReportPrinter.moc"
