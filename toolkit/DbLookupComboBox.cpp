#include "toolkit/DbLookupComboBox.h"

#include "toolkit/AppError.h"
#include "toolkit/DataLink.h"
#include "toolkit/MemTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>

namespace {
constexpr int keyRole = Qt::UserRole + 1;
}

DbLookupComboBox::DbLookupComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_data(new DataLink(this))
    , m_list(new DataLink(this))
    , m_items(new QStandardItemModel(this))
    , m_nullValueKey(Qt::Key_Delete)
{
    setEditable(false);
    auto* view = new QTableView(this);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setModel(m_items);
    setView(view);
    setModelColumn(0);

    connect(m_data, &DataLink::changed, this, &DbLookupComboBox::showValue);
    // The list follows its table's rows, not its cursor.
    connect(m_list, &DataLink::tableChanged, this, [this](MemTable* table) {
        if (m_listTable)
            disconnect(m_listTable, nullptr, this, nullptr);
        m_listTable = table;
        fillList();
        if (!table)
            return;
        connect(table, &MemTable::rowsReset, this, &DbLookupComboBox::fillList, Qt::UniqueConnection);
        connect(table, &MemTable::rowChanged, this, &DbLookupComboBox::fillList, Qt::UniqueConnection);
        connect(table, &MemTable::rowInserted, this, &DbLookupComboBox::fillList, Qt::UniqueConnection);
        connect(table, &MemTable::rowRemoved, this, &DbLookupComboBox::fillList, Qt::UniqueConnection);
    });
    connect(this, qOverload<int>(&QComboBox::activated), this, &DbLookupComboBox::choose);
    setCurrentIndex(-1);
}

void DbLookupComboBox::setDataSource(DataSource* source)
{
    m_data->setDataSource(source);
}

DataSource* DbLookupComboBox::dataSource() const
{
    return m_data->dataSource();
}

void DbLookupComboBox::setDataField(const QString& field)
{
    m_data->setField(field);
}

QString DbLookupComboBox::dataField() const
{
    return m_data->field();
}

void DbLookupComboBox::setListSource(DataSource* source)
{
    m_list->setDataSource(source);
}

DataSource* DbLookupComboBox::listSource() const
{
    return m_list->dataSource();
}

void DbLookupComboBox::setKeyField(const QString& field)
{
    m_keyField = field;
    fillList();
}

void DbLookupComboBox::setListFields(const QStringList& fields)
{
    m_listFields = fields;
    fillList();
}

void DbLookupComboBox::fillList()
{
    {
        QScopedValueRollback<bool> writing(m_writing, true);
        fillItems();
    }
    showValue();
}

void DbLookupComboBox::fillItems()
{
    m_items->clear();
    MemTable* table = m_list->table();
    const int key = table ? table->fieldIndex(m_keyField) : -1;
    if (table && table->isActive() && key >= 0) {
        QList<int> shown;
        for (const QString& name : std::as_const(m_listFields))
            shown << table->fieldIndex(name);
        if (shown.isEmpty())
            shown << key;
        m_items->setColumnCount(int(shown.size()));
        const int rows = table->recordCount();
        for (int r = 0; r < rows; ++r) {
            QList<QStandardItem*> cells;
            for (int field : std::as_const(shown)) {
                auto* cell = new QStandardItem(field >= 0 ? table->displayTextAt(r, field) : QString());
                cell->setEditable(false);
                cells << cell;
            }
            cells.first()->setData(table->valueAt(r, key), keyRole);
            m_items->appendRow(cells);
        }
    }
}

void DbLookupComboBox::showValue()
{
    if (m_writing)
        return;
    QScopedValueRollback<bool> writing(m_writing, true);
    const QVariant value = m_data->value();
    int found = -1;
    if (!value.isNull()) {
        for (int r = 0; r < m_items->rowCount(); ++r) {
            const QVariant key = m_items->item(r, 0)->data(keyRole);
            if (!key.isNull() && key == value) {
                found = r;
                break;
            }
        }
    }
    setCurrentIndex(found);
}

QVariant DbLookupComboBox::keyValue() const
{
    const int index = currentIndex();
    return index >= 0 ? m_items->item(index, 0)->data(keyRole) : QVariant();
}

void DbLookupComboBox::choose(int index)
{
    MemTable* table = m_data->table();
    if (!table || !table->isActive() || m_data->fieldIndex() < 0 || index < 0)
        return;
    const QVariant key = m_items->item(index, 0)->data(keyRole);
    if (table->recordCount() > 0 && table->value(m_data->fieldIndex()) == key && !key.isNull())
        return;
    {
        QScopedValueRollback<bool> writing(m_writing, true);
        table->setValue(m_data->fieldIndex(), key);
    }
    showValue();
}

void DbLookupComboBox::keyPressEvent(QKeyEvent* event)
{
    const int pressed = event->key() | int(event->modifiers() & ~Qt::KeypadModifier);
    if (m_nullValueKey != 0 && pressed == m_nullValueKey) {
        MemTable* table = m_data->table();
        if (table && table->isActive() && m_data->fieldIndex() >= 0 && table->recordCount() > 0
            && !m_data->value().isNull()) {
            QScopedValueRollback<bool> writing(m_writing, true);
            table->setValue(m_data->fieldIndex(), QVariant());
        }
        showValue();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbLookupComboBox::showPopup()
{
    // Wide enough for all list fields side by side.
    auto* table = static_cast<QTableView*>(view());
    table->resizeColumnsToContents();
    int width = 0;
    for (int c = 0; c < m_items->columnCount(); ++c)
        width += table->columnWidth(c);
    width += table->verticalScrollBar()->sizeHint().width() + 2 * table->frameWidth();
    table->setMinimumWidth(qMax(width, this->width()));
    QComboBox::showPopup();
}
