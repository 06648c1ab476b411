#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

#include "toolkit/DataSource.h"
#include "toolkit/MemTable.h"


// What a data-aware control holds: a data source and one field of its
// table. It tells the control when to show the value again and when to
// hand over input it has not written yet.
class DataLink : public QObject
{
    Q_OBJECT
public:
    explicit DataLink(QObject* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    void setField(const QString& field);
    const QString& field() const { return m_field; }

    MemTable* table() const { return m_table; }
    int fieldIndex() const; // -1 when there is no such field or no table
    bool canRead() const; // an open table with the field
    QVariant value() const; // of the current row
    QString displayText() const;
    QString editText() const;

signals:
    void changed(); // show the current value again
    void flush(); // a row is about to be posted: write pending input
    void tableChanged(MemTable* table);

private:
    void attach(MemTable* table);
    void tableEvent();

    QPointer<DataSource> m_source;
    QPointer<MemTable> m_table;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
};
