#include "toolkit/DbEdit.h"

#include "toolkit/DataLink.h"
#include "toolkit/MemTable.h"

#include <QScopedValueRollback>

DbEdit::DbEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_link(new DataLink(this))
{
    connect(m_link, &DataLink::changed, this, &DbEdit::showValue);
    connect(m_link, &DataLink::flush, this, &DbEdit::writePending);
    connect(this, &QLineEdit::textEdited, this, &DbEdit::typed);
    connect(this, &QLineEdit::editingFinished, this, &DbEdit::writePending);
    showValue();
}

DbEdit::DbEdit(DataSource* source, const QString& field, QWidget* parent)
    : DbEdit(parent)
{
    setDataField(field);
    setDataSource(source);
}

void DbEdit::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

DataSource* DbEdit::dataSource() const
{
    return m_link->dataSource();
}

void DbEdit::setDataField(const QString& field)
{
    m_link->setField(field);
}

QString DbEdit::dataField() const
{
    return m_link->field();
}

void DbEdit::setPasswordMode(bool on)
{
    setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}

bool DbEdit::passwordMode() const
{
    return echoMode() == QLineEdit::Password;
}

bool DbEdit::isTextField() const
{
    const int field = m_link->fieldIndex();
    return field >= 0 && m_link->table()->fieldDef(field).type == FieldType::Text;
}

void DbEdit::showValue()
{
    if (m_writing)
        return;
    m_pending = false;
    const int field = m_link->fieldIndex();
    const int width = field >= 0 ? m_link->table()->fieldDef(field).size : 0;
    setMaxLength(width > 0 ? width : 32767);
    const QString text = m_link->editText();
    if (text != this->text())
        setText(text);
}

void DbEdit::typed(const QString& text)
{
    MemTable* table = m_link->table();
    if (!m_link->canRead())
        return;
    QScopedValueRollback<bool> writing(m_writing, true);
    if (isTextField()) {
        // A field that was empty and is still empty stays null.
        if (text.isEmpty() && m_link->value().isNull() && table->state() == MemTable::Browse)
            return;
        table->setValue(m_link->fieldIndex(), text);
        m_pending = false;
        return;
    }
    // Numbers and dates are half-typed until editing ends; the row is in
    // edit state from the first keystroke all the same.
    m_pending = true;
    if (table->state() == MemTable::Browse)
        table->edit();
}

void DbEdit::writePending()
{
    if (!m_pending || !m_link->canRead())
        return;
    m_pending = false;
    MemTable* table = m_link->table();
    const QVariant current = m_link->value();
    if (current.isNull() && text().trimmed().isEmpty())
        return;
    {
        QScopedValueRollback<bool> writing(m_writing, true);
        try {
            table->setValue(m_link->fieldIndex(), text());
        } catch (...) {
            m_pending = true; // the text is still not written
            throw;
        }
    }
    showValue();
}
