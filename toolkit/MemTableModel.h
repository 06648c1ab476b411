#pragma once

#include <QAbstractTableModel>

class MemTable;

// The rows of a MemTable as a Qt model. The table drives it directly, so
// that inserts and removals are announced before they happen, as views
// require; a table read in packets reads the next one when a view asks.
class MemTableModel : public QAbstractTableModel
{
public:
    explicit MemTableModel(MemTable* table);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    void beginInsert(int first, int last) { beginInsertRows({}, first, last); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int position) { beginRemoveRows({}, position, position); }
    void endRemove() { endRemoveRows(); }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void rowChanged(int position);

private:
    MemTable* m_table;
};
