#pragma once

#include <QObject>
#include <QPointer>

#include "toolkit/MemTable.h"

// Links a table to the controls that show and edit it. Forms bind controls
// to a data source; controllers attach the table later.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    void setDataSet(MemTable* table); // a destroyed table detaches itself
    MemTable* dataSet() const { return m_table; }

signals:
    void dataSetChanged(MemTable* table);

private:
    QPointer<MemTable> m_table;
};
