#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class DbGrid;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class THoursChart;

// Lays a grid's rows out on pages for printing or a PDF: the title and the
// criteria on the first page, the visible columns with their titles on
// every page, the totals (and the chart, when given) after the last row,
// the date and "Page n of m" at the foot of each page.
class TReportPrinter
{
public:
    QString Title;
    QStringList Criteria;
    QStringList Totals;

    void setGrid(const DbGrid* grid) { m_grid = grid; }
    void setChart(const THoursChart* chart) { m_chart = chart; }

    // Called after each page; returning false stops at that page.
    using Progress = std::function<bool(int page, int pages)>;

    int pageCount(QPagedPaintDevice& device) const;
    // Paints every page; false when the progress callback stopped it.
    bool print(QPagedPaintDevice& device, const Progress& progress = {}) const;
    // A4 landscape. The file appears only once it is complete; failures
    // throw AppError with the reason and leave an older file as it was.
    // False (and no file) when the progress callback stopped it.
    bool savePdf(const QString& fileName, const Progress& progress = {}) const;

    // The page settings both the PDF and the print preview start from.
    static void setUpPage(QPagedPaintDevice& device);

private:
    struct Layout;
    Layout layout(QPainter& painter) const;
    static void fitColumns(Layout& layout, qreal units, QPaintDevice* device);
    void paintPage(QPainter& painter, const Layout& layout, int page) const;

    const DbGrid* m_grid = nullptr;
    const THoursChart* m_chart = nullptr;
};
