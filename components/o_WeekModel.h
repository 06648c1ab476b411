#pragma once

#include "components/o_WeekSheet.h"

#include <QAbstractTableModel>

#include <functional>

// The week grid as a table: a row per project and a last row of daily
// totals; the project's name, the seven days and the row's total. Day cells
// of project rows are edited as text ("1:30"); what is typed goes to
// OnCellEdited, which writes it and shows the week again.
class TWeekModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Columns { NameColumn = 0, FirstDayColumn = 1, TotalColumn = 8, Columns = 9 };

    explicit TWeekModel(QObject* parent = nullptr);

    const TWeekSheet& sheet() const { return m_sheet; }
    // Shows a sheet. With keepRows (the same week read again after a
    // change) the rows shown stay, emptied ones too, and cells change in
    // place, so an editor open on the grid stays where it is.
    void setSheet(const TWeekSheet& sheet, bool keepRows);
    // An empty row for the project, unless there is one; its row.
    int addProject(int projectId, const QString& name);

    // The row's project (0 for the totals row).
    int projectId(int row) const;
    bool isTotalsRow(int row) const { return row == int(m_sheet.Rows.size()); }
    // The cell of a project's day, invalid when not shown.
    QModelIndex cellIndex(int projectId, int day) const;

    // Why the last change of a cell was refused; shown on the cell until
    // the next change.
    void setProblem(int projectId, int day, const QString& text);
    void clearProblem();

    // Receives a typed cell: the project, the day (0..6) and the text; true
    // when it was taken.
    std::function<bool(int projectId, int day, const QString& text)> OnCellEdited;
    // Whether day cells may be edited at all.
    void setEditable(bool editable) { m_editable = editable; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    const TWeekCell* cellAt(const QModelIndex& index) const;
    QString toolTip(const QModelIndex& index) const;
    QString text(int row, int column) const;

    TWeekSheet m_sheet;
    bool m_editable = true;
    int m_problemProject = -1;
    int m_problemDay = -1;
    QString m_problem;
};
