#pragma once

#include "components/o_ReportTotals.h"

#include <QFontMetricsF>
#include <QWidget>

class QPainter;

// Bars of the hours a report result holds per day (or per week), scaled to
// a round maximum, with the first and last day under the axis. Hovering a
// bar names its day and hours. The printout draws it through paint().
class THoursChart : public QWidget
{
    Q_OBJECT
public:
    explicit THoursChart(QWidget* parent = nullptr);

    void setTotals(const TReportTotals& totals);
    void clear();
    const TReportTotals& totals() const { return m_totals; }

    // The whole chart inside area, in the painter's coordinates.
    void paint(QPainter& painter, const QRectF& area) const;
    // Where bar index goes when the chart fills area; empty for a bar of no hours.
    QRectF barRect(int index, const QRectF& area) const;
    // The bar under a point of the widget, or -1.
    int barAt(const QPoint& point) const;
    // The top of the scale in minutes: a round number at or above the largest bar.
    qint64 scaleMinutes() const;

    QSize sizeHint() const override { return {480, 160}; }
    QSize minimumSizeHint() const override { return {200, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF plotArea(const QRectF& area, const QFontMetricsF& metrics) const;
    QRectF barIn(int index, const QRectF& plot) const;

    TReportTotals m_totals;
};
