#include "toolkit/DbCheckBox.h"

#include "toolkit/AppError.h"
#include "toolkit/DataLink.h"
#include "toolkit/MemTable.h"

DbCheckBox::DbCheckBox(QWidget* parent)
    : QCheckBox(parent)
    , m_link(new DataLink(this))
{
    setTristate(true);
    connect(m_link, &DataLink::changed, this, &DbCheckBox::showValue);
    showValue();
}

DbCheckBox::DbCheckBox(const QString& text, DataSource* source, const QString& field, QWidget* parent)
    : DbCheckBox(parent)
{
    setText(text);
    setDataField(field);
    setDataSource(source);
}

void DbCheckBox::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

DataSource* DbCheckBox::dataSource() const
{
    return m_link->dataSource();
}

void DbCheckBox::setDataField(const QString& field)
{
    m_link->setField(field);
}

QString DbCheckBox::dataField() const
{
    return m_link->field();
}

void DbCheckBox::setValueChecked(const QVariant& value)
{
    m_checked = value;
    showValue();
}

void DbCheckBox::setValueUnchecked(const QVariant& value)
{
    m_unchecked = value;
    showValue();
}

bool DbCheckBox::matches(const QVariant& fieldValue, const QVariant& wanted) const
{
    try {
        return fieldValue == m_link->table()->convert(m_link->fieldIndex(), wanted);
    } catch (const AppError&) {
        return false;
    }
}

void DbCheckBox::showValue()
{
    const QVariant value = m_link->value();
    Qt::CheckState shown = Qt::PartiallyChecked;
    if (!value.isNull()) {
        if (matches(value, m_checked))
            shown = Qt::Checked;
        else if (matches(value, m_unchecked))
            shown = Qt::Unchecked;
    }
    setCheckState(shown);
}

void DbCheckBox::nextCheckState()
{
    // A click never leads to the undetermined state: from it, and from
    // unchecked, the box becomes checked.
    const bool check = checkState() != Qt::Checked;
    if (!m_link->canRead()) {
        setCheckState(check ? Qt::Checked : Qt::Unchecked);
        return;
    }
    m_link->table()->setValue(m_link->fieldIndex(), check ? m_checked : m_unchecked);
    showValue();
}
