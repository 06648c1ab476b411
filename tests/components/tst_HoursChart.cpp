#include "components/o_HoursChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QtTest>

namespace {
TReportTotals totalsOf(const QList<qint64>& minutes, const QDate& first = QDate(2026, 12, 7), bool weekly = false)
{
    TReportTotals totals;
    totals.Weekly = weekly;
    for (int i = 0; i < minutes.size(); ++i)
        totals.Buckets.append(TReportBucket{first.addDays(weekly ? 7 * i : i), minutes.at(i)});
    return totals;
}
} // namespace

class TestHoursChart : public QObject
{
    Q_OBJECT

private slots:
    void scale_data()
    {
        QTest::addColumn<QList<qint64>>("minutes");
        QTest::addColumn<qint64>("scale");
        QTest::newRow("no bars: one hour") << QList<qint64>{} << qint64(60);
        QTest::newRow("only empty bars") << QList<qint64>{0, 0} << qint64(60);
        QTest::newRow("three quarters of an hour") << QList<qint64>{45} << qint64(60);
        QTest::newRow("exactly two hours") << QList<qint64>{30, 120} << qint64(120);
        QTest::newRow("seven and a half hours") << QList<qint64>{450} << qint64(600);
        QTest::newRow("a week of 41 hours") << QList<qint64>{41 * 60} << qint64(50 * 60);
        QTest::newRow("fifteen minutes") << QList<qint64>{15} << qint64(30);
    }
    void scale()
    {
        QFETCH(QList<qint64>, minutes);
        QFETCH(qint64, scale);
        THoursChart chart;
        chart.setTotals(totalsOf(minutes));
        QCOMPARE(chart.scaleMinutes(), scale);
    }

    // The bars are drawn where barRect says, as tall as their hours, and
    // empty days leave their slot blank.
    void drawsTheBars()
    {
        THoursChart chart;
        chart.resize(400, 200);
        chart.setTotals(totalsOf({120, 0, 60}));
        const QImage image = chart.grab().toImage();
        const QRectF area(chart.rect());
        const QRectF two = chart.barRect(0, area);
        const QRectF none = chart.barRect(1, area);
        const QRectF one = chart.barRect(2, area);
        QVERIFY(!two.isEmpty());
        QVERIFY(none.isEmpty());
        QVERIFY(!one.isEmpty());
        QCOMPARE(two.bottom(), one.bottom());
        QVERIFY(qAbs(two.height() - 2 * one.height()) < 1.5);
        QVERIFY(two.right() < one.left());

        const QColor bar = chart.palette().color(QPalette::Highlight);
        QCOMPARE(image.pixelColor(two.center().toPoint()), bar);
        QCOMPARE(image.pixelColor(one.center().toPoint()), bar);
        // Above the shorter bar, and in the empty day's slot, there is no bar.
        QVERIFY(image.pixelColor(QPointF(one.center().x(), one.top() - 5).toPoint()) != bar);
        const QPointF emptySlot((two.right() + one.left()) / 2, one.center().y());
        QVERIFY(image.pixelColor(emptySlot.toPoint()) != bar);
    }

    void tooltipNamesTheBar_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<QString>("tip");
        QTest::newRow("day") << false << "2026-12-09: 2:30 h";
        QTest::newRow("week") << true << "2026-W52: 2:30 h";
    }
    void tooltipNamesTheBar()
    {
        QFETCH(bool, weekly);
        QFETCH(QString, tip);
        THoursChart chart;
        chart.resize(400, 200);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setTotals(totalsOf({60, 0, 150}, QDate(2026, 12, 7), weekly));
        const QPoint point = chart.barRect(2, QRectF(chart.rect())).center().toPoint();
        QCOMPARE(chart.barAt(point), 2);
        QHelpEvent help(QEvent::ToolTip, point, chart.mapToGlobal(point));
        QCoreApplication::sendEvent(&chart, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
        QCOMPARE(chart.barAt(QPoint(0, 0)), -1);
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // The printout paints on a device of many more dots than the screen.
    void paintsOnAnyDevice()
    {
        THoursChart chart;
        chart.setTotals(totalsOf({60, 90}));
        QImage large(2400, 1200, QImage::Format_RGB32);
        large.setDotsPerMeterX(11811); // 300 dpi
        large.setDotsPerMeterY(11811);
        large.fill(Qt::white);
        {
            QPainter painter(&large);
            chart.paint(painter, QRectF(0, 0, 2400, 1200));
        }
        const QColor bar = chart.palette().color(QPalette::Highlight);
        int barPixels = 0;
        for (int x = 0; x < large.width(); x += 4)
            barPixels += large.pixelColor(x, 1100) == bar ? 1 : 0;
        QVERIFY2(barPixels > 100, qPrintable(QString::number(barPixels)));
    }
};

QTEST_MAIN(TestHoursChart)
#include "tst_HoursChart.moc"
