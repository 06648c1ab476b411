#pragma once

#include <QLineEdit>

class DataLink;
class DataSource;
class MemTable;

// A line edit showing one field of a data source's current row. Typing
// starts editing the row (a new row when the table has none); text fields
// take each keystroke, other fields their text when editing ends or the
// row is posted.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);
    DbEdit(DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    void setDataField(const QString& field);
    QString dataField() const;

    void setPasswordMode(bool on);
    bool passwordMode() const;

private:
    void showValue();
    void typed(const QString& text);
    void writePending();
    bool isTextField() const;

    DataLink* m_link;
    bool m_writing = false;
    bool m_pending = false;
};
