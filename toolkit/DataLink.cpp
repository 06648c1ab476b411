#include "toolkit/DataLink.h"

#include "toolkit/DataSource.h"
#include "toolkit/MemTable.h"

DataLink::DataLink(QObject* parent)
    : QObject(parent)
{
}

void DataLink::setDataSource(DataSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source)
        connect(source, &DataSource::dataSetChanged, this, &DataLink::attach);
    attach(source ? source->dataSet() : nullptr);
}

void DataLink::setField(const QString& field)
{
    m_field = field;
    emit changed();
}

void DataLink::attach(MemTable* table)
{
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_table = table;
    if (table) {
        // Cursor moves are not signalled while the table's controls are
        // disabled; other events are ignored then, and the one move
        // signalled on enabling refreshes everything.
        m_connections << connect(table, &MemTable::currentChanged, this, [this] { emit changed(); })
                      << connect(table, &MemTable::rowsReset, this, &DataLink::tableEvent)
                      << connect(table, &MemTable::stateChanged, this, &DataLink::tableEvent)
                      << connect(table, &MemTable::rowChanged, this,
                                 [this](int position) {
                                     if (m_table && position == m_table->recNo())
                                         tableEvent();
                                 })
                      << connect(table, &MemTable::aboutToPost, this, &DataLink::flush);
    }
    emit tableChanged(table);
    emit changed();
}

void DataLink::tableEvent()
{
    if (m_table && !m_table->controlsDisabled())
        emit changed();
}

int DataLink::fieldIndex() const
{
    return m_table ? m_table->fieldIndex(m_field) : -1;
}

bool DataLink::canRead() const
{
    return m_table && m_table->isActive() && fieldIndex() >= 0;
}

QVariant DataLink::value() const
{
    return canRead() ? m_table->value(fieldIndex()) : QVariant();
}

QString DataLink::displayText() const
{
    return canRead() ? m_table->displayTextAt(m_table->recNo(), fieldIndex()) : QString();
}

QString DataLink::editText() const
{
    return canRead() ? m_table->editTextAt(m_table->recNo(), fieldIndex()) : QString();
}
