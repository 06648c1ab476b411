#include "components/o_ReportPrinter.h"

#include "components/o_HoursChart.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

struct TReportPrinter::Layout
{
    struct Column
    {
        int field = -1;
        QString title;
        qreal left = 0;
        qreal width = 0;
        Qt::Alignment align = Qt::AlignLeft;
        std::function<QString(const QVariant&)> text; // the grid's, when it has one
    };

    QRectF page;
    QFont titleFont;
    QFont bodyFont;
    QFont headerFont;
    qreal line = 0; // height of a row
    qreal titleBlock = 0; // title and criteria, first page only
    qreal totalsBlock = 0; // totals lines and the chart
    QList<qreal> totalsHeights; // each totals line, wrapped to the page width
    qreal chartHeight = 0;
    QList<Column> columns;
    const MemTable* table = nullptr;
    int rows = 0;
    QList<int> pageStart; // first row of each page
    int totalsPage = 0;

    int pages() const { return int(pageStart.size()); }
    int rowsOn(int index) const
    {
        const int end = index + 1 < pages() ? pageStart.at(index + 1) : rows;
        return end - pageStart.at(index);
    }
    qreal tableTop(int index) const { return page.top() + (index == 0 ? titleBlock : 0); }
};

namespace {
constexpr qreal kMarginMm = 12;
constexpr int kPdfResolution = 300;
// Enough rows to find how wide a column's texts run without reading a million.
constexpr int kRowsMeasured = 500;

// The text the grid shows, on one line: a comment's line breaks print as blanks.
template <class Column>
QString cellText(const MemTable& table, int row, const Column& column)
{
    if (column.field < 0)
        return QString();
    QString text = column.text ? column.text(table.valueAt(row, column.field))
                               : table.displayTextAt(row, column.field);
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}
} // namespace

void TReportPrinter::setUpPage(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
}

// Each column as wide as its title and texts need (judged by the first
// rows); room to spare is shared out by the grid's widths, a shortfall
// shrinks every column alike and the texts are cut with an ellipsis.
void TReportPrinter::fitColumns(Layout& l, qreal units, QPaintDevice* device)
{
    const QFontMetricsF body(l.bodyFont, device);
    const QFontMetricsF header(l.headerFont, device);
    const qreal pad = l.line / 3;
    const int measured = std::min(l.rows, kRowsMeasured);
    const qreal room = l.page.width();
    // A long text (a comment) takes at most a third of the page, so that it
    // is cut rather than squeezing every other column.
    const qreal widest = room / 3;
    QList<qreal> needed;
    qreal total = 0;
    for (const Layout::Column& c : std::as_const(l.columns)) {
        qreal width = header.horizontalAdvance(c.title);
        for (int row = 0; row < measured; ++row)
            width = std::max(width, body.horizontalAdvance(cellText(*l.table, row, c)));
        width = std::min(width, widest);
        needed << width + 2 * pad;
        total += width + 2 * pad;
    }
    qreal left = l.page.left();
    for (int i = 0; i < l.columns.size(); ++i) {
        Layout::Column& c = l.columns[i];
        const qreal width = total <= room ? needed.at(i) + (room - total) * c.width / units
                                          : needed.at(i) * room / total;
        c.left = left;
        c.width = width;
        left += width;
    }
}

TReportPrinter::Layout TReportPrinter::layout(QPainter& painter) const
{
    Layout l;
    QPaintDevice* device = painter.device();
    l.page = QRectF(0, 0, device->width(), device->height());
    l.bodyFont = QFont();
    l.bodyFont.setPointSizeF(9);
    l.headerFont = l.bodyFont;
    l.headerFont.setBold(true);
    l.titleFont = l.bodyFont;
    l.titleFont.setPointSizeF(14);
    l.titleFont.setBold(true);
    const QFontMetricsF body(l.bodyFont, device);
    const QFontMetricsF title(l.titleFont, device);
    l.line = body.height() * 1.3;
    l.titleBlock = title.height() * 1.5 + l.line * Criteria.size() + l.line / 2;
    l.chartHeight = m_chart && !m_chart->totals().Buckets.isEmpty() ? l.page.height() / 4 : 0;
    // The first totals line is bold; the others (a long list of projects,
    // say) wrap instead of being cut.
    l.totalsBlock = l.line / 2 + (l.chartHeight > 0 ? l.line / 2 + l.chartHeight : 0);
    for (qsizetype i = 0; i < Totals.size(); ++i) {
        const QFontMetricsF metrics(i == 0 ? l.headerFont : l.bodyFont, device);
        const qreal wrapped = metrics.boundingRect(QRectF(0, 0, l.page.width(), l.page.height()),
                                                   Qt::AlignLeft | Qt::TextWordWrap, Totals.at(i))
                                  .height();
        l.totalsHeights << std::max(l.line, wrapped + (l.line - metrics.height()));
        l.totalsBlock += l.totalsHeights.last();
    }

    l.table = m_grid ? m_grid->table() : nullptr;
    l.rows = l.table && l.table->isActive() ? l.table->recordCount() : 0;
    if (m_grid) {
        qreal units = 0;
        const QList<DbGrid::Column> columns = m_grid->gridColumns();
        for (const DbGrid::Column& column : columns) {
            if (!column.visible)
                continue;
            Layout::Column c;
            c.field = l.table ? l.table->fieldIndex(column.field) : -1;
            c.title = column.title;
            c.text = column.text;
            c.width = column.width > 0 ? column.width : 100;
            if (c.field >= 0) {
                const FieldType type = l.table->fieldDef(c.field).type;
                if (type == FieldType::Float || type == FieldType::Integer || type == FieldType::AutoInc)
                    c.align = Qt::AlignRight;
            }
            units += c.width;
            l.columns.append(c);
        }
        fitColumns(l, units, device);
    }

    // Every page has the column titles and the foot line.
    const qreal fixed = l.line * 1.2 + l.line * 1.5;
    const int firstRows = std::max(1, int((l.page.height() - l.titleBlock - fixed) / l.line));
    const int otherRows = std::max(1, int((l.page.height() - fixed) / l.line));
    int row = 0;
    l.pageStart.append(0);
    row = std::min(l.rows, firstRows);
    while (row < l.rows) {
        l.pageStart.append(row);
        row = std::min(l.rows, row + otherRows);
    }
    const int last = l.pages() - 1;
    const qreal used = l.tableTop(last) - l.page.top() + l.line * 1.2 + l.line * l.rowsOn(last);
    if (used + l.totalsBlock > l.page.height() - l.line * 1.5) {
        l.pageStart.append(l.rows);
        l.totalsPage = last + 1;
    } else {
        l.totalsPage = last;
    }
    return l;
}

void TReportPrinter::paintPage(QPainter& painter, const Layout& l, int page) const
{
    QPaintDevice* device = painter.device();
    const qreal pad = l.line / 6;
    const QFontMetricsF body(l.bodyFont, device);
    qreal y = l.page.top();
    if (page == 0) {
        painter.setFont(l.titleFont);
        const QFontMetricsF title(l.titleFont, device);
        painter.drawText(QRectF(l.page.left(), y, l.page.width(), title.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         Title);
        y += title.height() * 1.5;
        painter.setFont(l.bodyFont);
        for (const QString& line : Criteria) {
            painter.drawText(QRectF(l.page.left(), y, l.page.width(), l.line), Qt::AlignLeft | Qt::AlignVCenter,
                             body.elidedText(line, Qt::ElideRight, l.page.width()));
            y += l.line;
        }
        y += l.line / 2;
    }

    // Column titles, with a rule below.
    painter.setFont(l.headerFont);
    const QFontMetricsF header(l.headerFont, device);
    for (const Layout::Column& c : l.columns)
        painter.drawText(QRectF(c.left + pad, y, c.width - 2 * pad, l.line), c.align | Qt::AlignVCenter,
                         header.elidedText(c.title, Qt::ElideRight, c.width - 2 * pad));
    y += l.line * 1.1;
    painter.setPen(QPen(Qt::black, std::max<qreal>(1.0, l.line / 20)));
    painter.drawLine(QPointF(l.page.left(), y), QPointF(l.page.right(), y));
    y += l.line * 0.1;

    painter.setFont(l.bodyFont);
    const int first = l.pageStart.at(page);
    const int count = l.rowsOn(page);
    for (int i = 0; i < count; ++i) {
        const int row = first + i;
        // Every other row shaded, so that a long line can be followed across.
        if (row % 2 == 1)
            painter.fillRect(QRectF(l.page.left(), y, l.page.width(), l.line), QColor(238, 238, 238));
        for (const Layout::Column& c : l.columns)
            painter.drawText(QRectF(c.left + pad, y, c.width - 2 * pad, l.line), c.align | Qt::AlignVCenter,
                             body.elidedText(cellText(*l.table, row, c), Qt::ElideRight, c.width - 2 * pad));
        y += l.line;
    }

    if (page == l.totalsPage) {
        y += l.line / 2;
        painter.setFont(l.headerFont);
        for (qsizetype i = 0; i < Totals.size(); ++i) {
            const qreal height = l.totalsHeights.at(i);
            painter.drawText(QRectF(l.page.left(), y, l.page.width(), height),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, Totals.at(i));
            painter.setFont(l.bodyFont);
            y += height;
        }
        if (l.chartHeight > 0) {
            y += l.line / 2;
            painter.setFont(l.bodyFont);
            m_chart->paint(painter, QRectF(l.page.left(), y, l.page.width() / 2, l.chartHeight));
        }
    }

    // The foot line.
    painter.setFont(l.bodyFont);
    const QRectF foot(l.page.left(), l.page.bottom() - l.line, l.page.width(), l.line);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter,
                     Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(page + 1).arg(l.pages()));
}

int TReportPrinter::pageCount(QPagedPaintDevice& device) const
{
    QPainter painter(&device);
    return layout(painter).pages();
}

bool TReportPrinter::print(QPagedPaintDevice& device, const Progress& progress) const
{
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(QStringLiteral("The printer could not be started."));
    const Layout l = layout(painter);
    for (int page = 0; page < l.pages(); ++page) {
        if (page > 0 && !device.newPage())
            throw AppError(QStringLiteral("The printer refused page %1.").arg(page + 1));
        paintPage(painter, l, page);
        if (progress && !progress(page + 1, l.pages())) {
            painter.end();
            return false;
        }
    }
    if (!painter.end())
        throw AppError(QStringLiteral("The printer could not finish the document."));
    return true;
}

bool TReportPrinter::savePdf(const QString& fileName, const Progress& progress) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Unable to write to %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    bool complete = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setTitle(Title);
        writer.setCreator(QStringLiteral("Hourwright"));
        setUpPage(writer);
        complete = print(writer, progress);
    }
    if (!complete) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        throw AppError(QStringLiteral("Unable to write to %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return true;
}
