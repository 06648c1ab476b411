#include "toolkit/DataSource.h"

#include "toolkit/MemTable.h"

DataSource::DataSource(QObject* parent)
    : QObject(parent)
{
}

void DataSource::setDataSet(MemTable* table)
{
    if (m_table == table)
        return;
    if (m_table)
        disconnect(m_table, &QObject::destroyed, this, nullptr);
    m_table = table;
    if (table) {
        // Controls must let go of a table that goes away before its source.
        connect(table, &QObject::destroyed, this, [this] {
            m_table = nullptr;
            emit dataSetChanged(nullptr);
        });
    }
    emit dataSetChanged(table);
}
