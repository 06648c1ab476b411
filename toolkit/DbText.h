#pragma once

#include <QLabel>

class DataLink;
class DataSource;

// A label showing one field of a data source's current row.
class DbText : public QLabel
{
    Q_OBJECT
public:
    explicit DbText(QWidget* parent = nullptr);
    DbText(DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    void setDataField(const QString& field);
    QString dataField() const;

private:
    DataLink* m_link;
};
