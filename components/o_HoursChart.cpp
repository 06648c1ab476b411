#include "components/o_HoursChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kGap = 0.2; // share of a slot between bars
} // namespace

THoursChart::THoursChart(QWidget* parent)
    : QWidget(parent)
{
}

void THoursChart::setTotals(const TReportTotals& totals)
{
    m_totals = totals;
    update();
}

void THoursChart::clear()
{
    setTotals(TReportTotals());
}

qint64 THoursChart::scaleMinutes() const
{
    qint64 largest = 0;
    for (const TReportBucket& bucket : m_totals.Buckets)
        largest = std::max(largest, bucket.minutes);
    if (largest <= 0)
        return 60;
    // 1, 2 or 5 times a power of ten, in hours.
    const double hours = double(largest) / 60.0;
    const double power = std::pow(10.0, std::floor(std::log10(hours)));
    for (double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= hours - 1e-9)
            return std::max<qint64>(1, qint64(std::ceil(step * power * 60.0)));
    return largest;
}

QRectF THoursChart::plotArea(const QRectF& area, const QFontMetricsF& metrics) const
{
    const qreal left = metrics.horizontalAdvance(QStringLiteral("0000 h")) + 6;
    const qreal bottom = metrics.height() + 4;
    const qreal top = metrics.height() / 2 + 2;
    return area.adjusted(left, top, -8, -bottom);
}

QRectF THoursChart::barRect(int index, const QRectF& area) const
{
    return barIn(index, plotArea(area, QFontMetricsF(font())));
}

QRectF THoursChart::barIn(int index, const QRectF& plot) const
{
    const qsizetype count = m_totals.Buckets.size();
    if (index < 0 || index >= count)
        return {};
    const qint64 minutes = m_totals.Buckets.at(index).minutes;
    if (minutes <= 0)
        return {};
    const qreal slot = plot.width() / qreal(count);
    const qreal width = std::max<qreal>(1.0, slot * (1.0 - kGap));
    const qreal height = std::max<qreal>(1.0, plot.height() * qreal(minutes) / qreal(scaleMinutes()));
    const qreal left = plot.left() + slot * index + (slot - width) / 2;
    return QRectF(left, plot.bottom() - height, width, height);
}

void THoursChart::paint(QPainter& painter, const QRectF& area) const
{
    painter.save();
    const QPalette& colours = palette();
    painter.setFont(font());
    if (m_totals.Buckets.isEmpty()) {
        painter.setPen(colours.color(QPalette::PlaceholderText));
        painter.drawText(area, Qt::AlignCenter, tr("No hours to show"));
        painter.restore();
        return;
    }
    // Metrics of the device painted on: a printer has many more dots than the screen.
    const QFontMetricsF metrics(font(), painter.device());
    const QRectF plot = plotArea(area, metrics);
    const qint64 scale = scaleMinutes();

    // Scale lines at the top, the middle and zero.
    const qreal hairline = std::max<qreal>(1.0, metrics.height() / 16);
    painter.setPen(QPen(colours.color(QPalette::Mid), hairline));
    for (int step = 0; step <= 2; ++step) {
        const qreal y = plot.bottom() - plot.height() * step / 2.0;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        const QString label = QStringLiteral("%1 h").arg(QString::number(double(scale) * step / 2.0 / 60.0, 'g', 3));
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(QRectF(area.left(), y - metrics.height() / 2, plot.left() - area.left() - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
        painter.setPen(QPen(colours.color(QPalette::Mid), hairline));
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.color(QPalette::Highlight));
    for (int i = 0; i < m_totals.Buckets.size(); ++i) {
        const QRectF bar = barIn(i, plot);
        if (!bar.isEmpty())
            painter.drawRect(bar);
    }

    // The first and last day (or week) under the axis.
    painter.setPen(colours.color(QPalette::WindowText));
    const QRectF labels(plot.left(), plot.bottom() + 2, plot.width(), metrics.height());
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop, m_totals.bucketLabel(m_totals.Buckets.first()));
    if (m_totals.Buckets.size() > 1)
        painter.drawText(labels, Qt::AlignRight | Qt::AlignTop, m_totals.bucketLabel(m_totals.Buckets.last()));
    painter.restore();
}

int THoursChart::barAt(const QPoint& point) const
{
    const QRectF plot = plotArea(QRectF(rect()), QFontMetricsF(font()));
    const qsizetype count = m_totals.Buckets.size();
    if (count == 0 || !plot.contains(point))
        return -1;
    return std::clamp(int((point.x() - plot.left()) * count / plot.width()), 0, int(count) - 1);
}

void THoursChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paint(painter, QRectF(rect()));
}

bool THoursChart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int bar = barAt(help->pos());
        if (bar < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const TReportBucket& bucket = m_totals.Buckets.at(bar);
        QToolTip::showText(help->globalPos(),
                           QStringLiteral("%1: %2 h").arg(m_totals.bucketLabel(bucket),
                                                          TReportTotals::hoursText(bucket.minutes)),
                           this);
        return true;
    }
    return QWidget::event(event);
}
