#include "toolkit/DbText.h"

#include "toolkit/DataLink.h"

DbText::DbText(QWidget* parent)
    : QLabel(parent)
    , m_link(new DataLink(this))
{
    connect(m_link, &DataLink::changed, this, [this] { setText(m_link->displayText()); });
}

DbText::DbText(DataSource* source, const QString& field, QWidget* parent)
    : DbText(parent)
{
    setDataField(field);
    setDataSource(source);
}

void DbText::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

DataSource* DbText::dataSource() const
{
    return m_link->dataSource();
}

void DbText::setDataField(const QString& field)
{
    m_link->setField(field);
}

QString DbText::dataField() const
{
    return m_link->field();
}
