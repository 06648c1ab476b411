#include "toolkit/MemTableModel.h"

#include "toolkit/AppError.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"

#include <QCoreApplication>

MemTableModel::MemTableModel(MemTable* table)
    : QAbstractTableModel(table)
    , m_table(table)
{
}

int MemTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table->recordCount();
}

int MemTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table->fieldCount();
}

QVariant MemTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_table->displayTextAt(index.row(), index.column());
    case Qt::EditRole:
        return m_table->valueAt(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const FieldType type = m_table->fieldDef(index.column()).type;
        if (type == FieldType::Integer || type == FieldType::AutoInc || type == FieldType::Float)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    default:
        return {};
    }
}

QVariant MemTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_table->fieldCount() ? m_table->fieldDef(section).name : QVariant();
    return section + 1;
}

Qt::ItemFlags MemTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool MemTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    try {
        const int field = index.column();
        const QVariant converted = m_table->convert(field, value);
        const QVariant current = m_table->valueAt(index.row(), field);
        // An editor closed without a change must not start an edit, nor
        // keep a new row nothing was entered in.
        const bool bothEmpty = current.isNull() && converted.toString().isEmpty();
        if (bothEmpty || (!current.isNull() && current == converted))
            return true;
        if (m_table->recNo() != index.row())
            m_table->setRecNo(index.row());
        m_table->setValue(field, converted);
        return true;
    } catch (const AppError& error) {
        // Views call this from inside Qt; the message is the user's only news.
        MessageService::error(QCoreApplication::applicationName(), error.message());
        return false;
    }
}

bool MemTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_table->canFetchMore();
}

void MemTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid())
        return;
    try {
        m_table->fetchMore();
    } catch (const AppError& error) {
        // Views ask from inside Qt; the message is the user's only news.
        MessageService::error(QCoreApplication::applicationName(), error.message());
    }
}

void MemTableModel::rowChanged(int position)
{
    if (position >= 0 && position < rowCount() && columnCount() > 0)
        emit dataChanged(index(position, 0), index(position, columnCount() - 1));
}
