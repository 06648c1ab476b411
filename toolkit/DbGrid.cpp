#include "toolkit/DbGrid.h"

#include "toolkit/DataSource.h"
#include "toolkit/MemTable.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

// The table's model seen through the grid's columns.
class DbGridModel : public QAbstractTableModel
{
public:
    explicit DbGridModel(QObject* parent)
        : QAbstractTableModel(parent)
    {
    }

    MemTable* table() const { return m_table; }

    void setTable(MemTable* table, const QList<DbGrid::Column>& columns)
    {
        beginResetModel();
        if (m_source)
            disconnect(m_source, nullptr, this, nullptr);
        m_table = table;
        m_source = table ? table->model() : nullptr;
        m_columns = columns;
        mapFields();
        if (m_source) {
            connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
            connect(m_source, &QAbstractItemModel::modelReset, this, [this] {
                mapFields();
                endResetModel();
            });
            connect(m_source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                    [this](const QModelIndex&, int first, int last) { beginInsertRows({}, first, last); });
            connect(m_source, &QAbstractItemModel::rowsInserted, this, [this] { endInsertRows(); });
            connect(m_source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                    [this](const QModelIndex&, int first, int last) { beginRemoveRows({}, first, last); });
            connect(m_source, &QAbstractItemModel::rowsRemoved, this, [this] { endRemoveRows(); });
            connect(m_source, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& from, const QModelIndex& to) {
                        if (columnCount() > 0)
                            emit dataChanged(index(from.row(), 0), index(to.row(), columnCount() - 1));
                    });
        }
        endResetModel();
    }

    void setColumns(const QList<DbGrid::Column>& columns)
    {
        beginResetModel();
        m_columns = columns;
        mapFields();
        endResetModel();
    }

    int fieldAt(int column) const { return column >= 0 && column < m_fields.size() ? m_fields.at(column) : -1; }
    bool isFlag(int column) const { return column >= 0 && column < m_columns.size() && m_columns.at(column).flag; }
    bool isReadOnly(int column) const
    {
        return readOnly || (column >= 0 && column < m_columns.size() && m_columns.at(column).readOnly);
    }
    QString titleAt(int column) const { return column >= 0 && column < m_titles.size() ? m_titles.at(column) : QString(); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_source ? 0 : m_source->rowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_fields.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const int field = fieldAt(index.column());
        if (!m_source || field < 0)
            return {};
        if (isFlag(index.column())) {
            if (role == Qt::CheckStateRole) {
                qint64 flag = 0;
                if (!m_table->intAt(index.row(), field, &flag))
                    return Qt::PartiallyChecked;
                return flag == 0 ? Qt::Unchecked : Qt::Checked;
            }
            if (role == Qt::DisplayRole || role == Qt::EditRole)
                return {};
        }
        const QModelIndex source = m_source->index(index.row(), field);
        if (role == Qt::DisplayRole && index.column() < m_columns.size() && m_columns.at(index.column()).text)
            return m_columns.at(index.column()).text(m_source->data(source, Qt::EditRole));
        return m_source->data(source, role);
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        const int field = fieldAt(index.column());
        if (!m_source || field < 0 || isReadOnly(index.column()))
            return false;
        if (isFlag(index.column())) {
            QVariant flag;
            if (role == Qt::CheckStateRole)
                flag = value.toInt() == Qt::Unchecked ? 0 : 1;
            else if (role == Qt::EditRole && (value.toString().trimmed() == QLatin1String("0")
                                              || value.toString().trimmed() == QLatin1String("1")))
                flag = value.toString().trimmed().toInt();
            else
                return false;
            return m_source->setData(m_source->index(index.row(), field), flag, Qt::EditRole);
        }
        return m_source->setData(m_source->index(index.row(), field), value, role);
    }
    // A table read in packets reads the next one when the view reaches its end.
    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && m_source && m_source->canFetchMore({});
    }
    void fetchMore(const QModelIndex& parent) override
    {
        if (!parent.isValid() && m_source)
            m_source->fetchMore({});
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return titleAt(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (isReadOnly(index.column()) || fieldAt(index.column()) < 0)
            return result;
        return result | (isFlag(index.column()) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
    }

    bool readOnly = false;

private:
    void mapFields()
    {
        m_fields.clear();
        m_titles.clear();
        if (m_columns.isEmpty()) {
            // No columns chosen: every field, titled by its name.
            for (int i = 0; m_table && i < m_table->fieldCount(); ++i) {
                m_fields << i;
                m_titles << m_table->fieldDef(i).name;
            }
            return;
        }
        for (const DbGrid::Column& column : std::as_const(m_columns)) {
            m_fields << (m_table ? m_table->fieldIndex(column.field) : -1);
            m_titles << column.title;
        }
    }

    QPointer<MemTable> m_table;
    QPointer<QAbstractItemModel> m_source;
    QList<DbGrid::Column> m_columns;
    QList<int> m_fields;
    QStringList m_titles;
};

namespace {

// Every cell is edited as text and converted by the table, so floats keep
// their precision and a cleared cell becomes null.
class TextDelegate : public QStyledItemDelegate
{
public:
    TextDelegate(DbGridModel* model, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_model(model)
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const int field = m_model->fieldAt(index.column());
        MemTable* table = m_model->table();
        if (table && field >= 0 && table->fieldDef(field).size > 0)
            editor->setMaxLength(table->fieldDef(field).size);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        const int field = m_model->fieldAt(index.column());
        MemTable* table = m_model->table();
        static_cast<QLineEdit*>(editor)->setText(table && field >= 0 ? table->editTextAt(index.row(), field)
                                                                     : QString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }
    // A text cut short by its column shows whole in the tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty() && sizeHint(option, index).width() > view->visualRect(index).width())
            QToolTip::showText(event->globalPos(), text, view, view->visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }

private:
    DbGridModel* m_model;
};

} // namespace

DbGrid::DbGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new DbGridModel(this))
{
    setModel(m_model);
    setItemDelegate(new TextDelegate(m_model, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The current row stays highlighted when another control has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        showCurrent();
    });
}

DbGrid::~DbGrid() = default;

void DbGrid::setDataSource(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source)
        connect(source, &DataSource::dataSetChanged, this, &DbGrid::attach);
    attach(source ? source->dataSet() : nullptr);
}

MemTable* DbGrid::table() const
{
    return m_model->table();
}

void DbGrid::attach(MemTable* table)
{
    if (MemTable* before = m_model->table())
        disconnect(before, nullptr, this, nullptr);
    m_model->setTable(table, m_columns);
    if (table) {
        connect(table, &MemTable::currentChanged, this, &DbGrid::showCurrent);
        // A new row being entered is shown; rows added elsewhere (the next
        // packet at the end) leave the view where the user scrolled it.
        connect(table, &MemTable::rowInserted, this, [this, table](int position) {
            if (position == table->recNo())
                showCurrent();
        });
    }
    showCurrent();
}

void DbGrid::addColumn(const QString& field, const QString& title, int width, bool visible)
{
    Column column;
    column.field = field;
    column.title = title;
    column.width = width;
    column.visible = visible;
    m_columns.append(column);
    m_model->setColumns(m_columns);
}

void DbGrid::clearColumns()
{
    m_columns.clear();
    m_model->setColumns(m_columns);
}

int DbGrid::gridColumnCount() const
{
    return int(m_columns.size());
}

DbGrid::Column DbGrid::gridColumn(int index) const
{
    Column column = m_columns.at(index);
    if (column.width < 0)
        column.width = horizontalHeader()->defaultSectionSize();
    return column;
}

QList<DbGrid::Column> DbGrid::gridColumns() const
{
    QList<Column> columns;
    for (int i = 0; i < m_columns.size(); ++i)
        columns << gridColumn(i);
    return columns;
}

QString DbGrid::columnField(int index) const
{
    return m_columns.at(index).field;
}

QString DbGrid::columnTitle(int index) const
{
    return m_columns.at(index).title;
}

bool DbGrid::isColumnVisible(int index) const
{
    return m_columns.at(index).visible;
}

void DbGrid::setColumnVisible(int index, bool visible)
{
    m_columns[index].visible = visible;
    setColumnHidden(index, !visible);
}

void DbGrid::setFieldReadOnly(const QString& field, bool readOnly)
{
    for (Column& column : m_columns)
        if (column.field.compare(field, Qt::CaseInsensitive) == 0)
            column.readOnly = readOnly;
    m_model->setColumns(m_columns);
}

void DbGrid::setFieldFlag(const QString& field, bool flag)
{
    for (Column& column : m_columns)
        if (column.field.compare(field, Qt::CaseInsensitive) == 0)
            column.flag = flag;
    m_model->setColumns(m_columns);
}

void DbGrid::setFieldText(const QString& field, std::function<QString(const QVariant&)> text)
{
    for (Column& column : m_columns)
        if (column.field.compare(field, Qt::CaseInsensitive) == 0)
            column.text = text;
    m_model->setColumns(m_columns);
}

void DbGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->readOnly = readOnly;
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                   | QAbstractItemView::AnyKeyPressed);
}

void DbGrid::applyColumns()
{
    // A model reset gives every section its default size again.
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).width >= 0)
            setColumnWidth(i, m_columns.at(i).width);
        setColumnHidden(i, !m_columns.at(i).visible);
    }
}

void DbGrid::showCurrent()
{
    MemTable* table = m_model->table();
    if (m_syncing || !table)
        return;
    QScopedValueRollback<bool> syncing(m_syncing, true);
    const int row = table->recNo();
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
        return;
    }
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    while (column < m_model->columnCount() - 1 && isColumnHidden(column))
        ++column;
    const QModelIndex target = m_model->index(row, column);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void DbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    MemTable* table = m_model->table();
    if (m_syncing || !table || !current.isValid() || current.row() == table->recNo())
        return;
    {
        QScopedValueRollback<bool> syncing(m_syncing, true);
        table->setRecNo(current.row());
    }
    // Leaving a new row nothing was entered in drops it, which moves the
    // rows below it up by one.
    if (table->recNo() != current.row())
        showCurrent();
}
