#include "components/o_WeekModel.h"

#include "components/o_ReportTotals.h"

#include <QBrush>
#include <QColor>
#include <QFont>

TWeekModel::TWeekModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void TWeekModel::setSheet(const TWeekSheet& sheet, bool keepRows)
{
    if (!keepRows || sheet.Week != m_sheet.Week || sheet.DeveloperId != m_sheet.DeveloperId) {
        beginResetModel();
        m_sheet = sheet;
        m_problemProject = -1;
        m_problemDay = -1;
        m_problem.clear();
        endResetModel();
        return;
    }
    TWeekSheet merged = sheet;
    for (const TWeekRow& row : std::as_const(m_sheet.Rows))
        merged.addRow(row.projectId, row.projectName);
    // Both are in the same order, so the rows shown are a part of the new
    // ones: they go in where they belong, one by one.
    for (int at = 0; at < merged.Rows.size(); ++at) {
        if (at < m_sheet.Rows.size() && m_sheet.Rows.at(at).projectId == merged.Rows.at(at).projectId)
            continue;
        if (m_sheet.rowOf(merged.Rows.at(at).projectId) >= 0)
            break; // a project renamed meanwhile: shown again from scratch below
        beginInsertRows(QModelIndex(), at, at);
        m_sheet.Rows.insert(at, merged.Rows.at(at));
        endInsertRows();
    }
    bool sameRows = m_sheet.Rows.size() == merged.Rows.size();
    for (int at = 0; sameRows && at < merged.Rows.size(); ++at)
        sameRows = m_sheet.Rows.at(at).projectId == merged.Rows.at(at).projectId;
    if (!sameRows) {
        beginResetModel();
        m_sheet = merged;
        endResetModel();
        return;
    }
    m_sheet = merged;
    emit dataChanged(index(0, 0), index(rowCount() - 1, Columns - 1));
}

int TWeekModel::addProject(int projectId, const QString& name)
{
    const int existing = m_sheet.rowOf(projectId);
    if (existing >= 0)
        return existing;
    TWeekSheet grown = m_sheet;
    const int at = grown.addRow(projectId, name);
    beginInsertRows(QModelIndex(), at, at);
    m_sheet = grown;
    endInsertRows();
    // The totals row's titles do not change, its sums neither.
    return at;
}

int TWeekModel::projectId(int row) const
{
    return row >= 0 && row < m_sheet.Rows.size() ? m_sheet.Rows.at(row).projectId : 0;
}

QModelIndex TWeekModel::cellIndex(int projectId, int day) const
{
    const int row = m_sheet.rowOf(projectId);
    return row < 0 || day < 0 || day > 6 ? QModelIndex() : index(row, FirstDayColumn + day);
}

void TWeekModel::setProblem(int projectId, int day, const QString& text)
{
    clearProblem();
    m_problemProject = projectId;
    m_problemDay = day;
    m_problem = text;
    const QModelIndex cell = cellIndex(projectId, day);
    if (cell.isValid())
        emit dataChanged(cell, cell);
}

void TWeekModel::clearProblem()
{
    const QModelIndex cell = cellIndex(m_problemProject, m_problemDay);
    m_problemProject = -1;
    m_problemDay = -1;
    m_problem.clear();
    if (cell.isValid())
        emit dataChanged(cell, cell);
}

int TWeekModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_sheet.Rows.size()) + 1;
}

int TWeekModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

const TWeekCell* TWeekModel::cellAt(const QModelIndex& index) const
{
    const int day = index.column() - FirstDayColumn;
    if (!index.isValid() || isTotalsRow(index.row()) || day < 0 || day > 6)
        return nullptr;
    return &m_sheet.Rows.at(index.row()).days.at(std::size_t(day));
}

QString TWeekModel::text(int row, int column) const
{
    if (isTotalsRow(row)) {
        if (column == NameColumn)
            return QStringLiteral("Total");
        return TReportTotals::hoursText(column == TotalColumn ? m_sheet.minutes()
                                                              : m_sheet.dayMinutes(column - FirstDayColumn));
    }
    const TWeekRow& line = m_sheet.Rows.at(row);
    if (column == NameColumn)
        return line.projectName;
    if (column == TotalColumn)
        return TReportTotals::hoursText(line.minutes());
    return TWeekSheet::cellText(line.days.at(std::size_t(column - FirstDayColumn)));
}

QString TWeekModel::toolTip(const QModelIndex& index) const
{
    const TWeekCell* cell = cellAt(index);
    if (!cell)
        return QString();
    QStringList lines;
    for (const TWeekInterval& interval : cell->intervals) {
        QString line = interval.start.toString(QStringLiteral("HH:mm"));
        if (interval.running)
            line += QStringLiteral(" - still running");
        else
            line += QStringLiteral(" - %1 (%2), %3")
                        .arg(interval.end.toString(interval.end.date() == interval.start.date()
                                                       ? QStringLiteral("HH:mm")
                                                       : QStringLiteral("ddd HH:mm")),
                             TReportTotals::hoursText(interval.minutes),
                             interval.hand ? QStringLiteral("by hand") : QStringLiteral("recorded"));
        if (!interval.comment.isEmpty())
            line += QStringLiteral(": ") + interval.comment;
        lines << line;
    }
    if (index.row() == m_sheet.rowOf(m_problemProject) && index.column() - FirstDayColumn == m_problemDay)
        lines << m_problem;
    return lines.join(QLatin1Char('\n'));
}

QVariant TWeekModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= Columns)
        return QVariant();
    const bool totals = isTotalsRow(index.row()) || index.column() == TotalColumn;
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::EditRole: {
        const TWeekCell* cell = cellAt(index);
        if (!cell)
            return text(index.row(), index.column());
        return cell->minutes == 0 ? QString() : TReportTotals::hoursText(cell->minutes);
    }
    case Qt::ToolTipRole:
        return toolTip(index);
    case Qt::TextAlignmentRole:
        return index.column() == NameColumn ? QVariant(int(Qt::AlignLeft | Qt::AlignVCenter))
                                            : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::FontRole:
        if (totals) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    case Qt::BackgroundRole:
        if (!m_problem.isEmpty() && index == cellIndex(m_problemProject, m_problemDay))
            return QBrush(QColor(255, 214, 214));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant TWeekModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == NameColumn)
        return QStringLiteral("Project");
    if (section == TotalColumn)
        return QStringLiteral("Total");
    return m_sheet.Week.isValid() ? TWeek::dayTitle(m_sheet.Week.day(section - FirstDayColumn)) : QString();
}

Qt::ItemFlags TWeekModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable && cellAt(index))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TWeekModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !cellAt(index) || !OnCellEdited)
        return false;
    // An unchanged text writes nothing (leaving a cell by Tab commits it).
    if (value.toString().trimmed() == data(index, Qt::EditRole).toString())
        return false;
    return OnCellEdited(projectId(index.row()), index.column() - FirstDayColumn, value.toString());
}
