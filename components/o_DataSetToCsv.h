#pragma once

#include "components/o_GridExport.h"

#include <QString>
#include <QVariant>

class DbGrid;

// Writes what a data-bound grid shows as comma-separated values: a header
// row of the visible columns' titles, then one record per row of the grid's
// table. UTF-8, RFC 4180 quoting, dates as yyyy-MM-dd, date-times as
// yyyy-MM-ddTHH:mm:ss, numbers with a '.' point and no grouping, so any
// spreadsheet or script reads it the same whatever its language settings.
//
// The file goes into the output folder as "<FileStem> yyyy-MM-dd
// HH-mm-ss.csv" and appears under that name only once it is complete;
// failures throw AppError with the reason.
class TDataSetToCsv : public TGridExport
{
    Q_OBJECT
public:
    explicit TDataSetToCsv(QObject* owner = nullptr);

    QString FileStem() const { return m_stem; }
    void setFileStem(const QString& stem) { m_stem = stem; }

    // Writes the file, reports "Exported Successfully" and opens it.
    // A grid without a table does nothing.
    void ExportGrid(DbGrid* grid);

    // One value as the file holds it.
    static QString text(const QVariant& value);

private:
    QString m_stem = QStringLiteral("Hourwright");
};
