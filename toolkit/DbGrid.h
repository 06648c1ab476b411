#pragma once

#include <QList>
#include <QPointer>
#include <QTableView>

#include <functional>

#include "toolkit/DataSource.h"


class MemTable;
class DbGridModel;

// A grid over a data source's table: titled, sized, optionally hidden
// columns in the order they were added (every field when none were).
// The table's current row is the grid's selected row, also while the grid
// has no focus; clicking a row moves the table's cursor, and editing a cell
// edits the current row by the table's rules.
class DbGrid : public QTableView
{
    Q_OBJECT
public:
    struct Column
    {
        QString field;
        QString title;
        int width = -1; // pixels; -1 for the default width
        bool visible = true;
        bool readOnly = false; // never edited in the grid (a key)
        bool flag = false; // 0 or 1, shown and edited as a check box
        // What a value shows as, when not the table's own text (editing
        // still starts from the value).
        std::function<QString(const QVariant&)> text;
    };

    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    MemTable* table() const;

    void addColumn(const QString& field, const QString& title, int width = -1, bool visible = true);
    void clearColumns();
    int gridColumnCount() const; // the added columns, hidden ones included
    // The added columns; a default width reads as the width shown.
    Column gridColumn(int index) const;
    QList<Column> gridColumns() const;
    QString columnField(int index) const;
    QString columnTitle(int index) const;
    bool isColumnVisible(int index) const;
    void setColumnVisible(int index, bool visible);

    // Rules for the columns showing a field (no effect when none does).
    void setFieldReadOnly(const QString& field, bool readOnly = true);
    // A 0/1 field: a check box that stores 1 or 0; an empty value shows as
    // undetermined, and typed values other than 0 and 1 are refused.
    void setFieldFlag(const QString& field, bool flag = true);
    // The text the columns showing a field give its values.
    void setFieldText(const QString& field, std::function<QString(const QVariant&)> text);

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void attach(MemTable* table);
    void applyColumns();
    void showCurrent();

    QPointer<DataSource> m_source;
    DbGridModel* m_model;
    QList<Column> m_columns;
    bool m_readOnly = false;
    bool m_syncing = false;
};
