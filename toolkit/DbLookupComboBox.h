#pragma once

#include <QComboBox>
#include <QPointer>
#include <QStringList>
#include <QVariant>

class DataLink;
class DataSource;
class MemTable;
class QStandardItemModel;

// A combo box that writes a key into a field of one table (the data field)
// and lists the rows of another (the list source) by their list fields: the
// drop-down shows every list field side by side, the closed box the first.
// Choosing an entry writes its key, starting an edit of the data row, or a
// new row when the data table holds none. The NullValueKey (Delete by
// default) clears the field to null.
class DbLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DbLookupComboBox(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    void setDataField(const QString& field);
    QString dataField() const;

    void setListSource(DataSource* source);
    DataSource* listSource() const;
    void setKeyField(const QString& field);
    QString keyField() const { return m_keyField; }
    void setListFields(const QStringList& fields);
    void setListField(const QString& field) { setListFields({field}); }
    QStringList listFields() const { return m_listFields; }

    // A key code, optionally with modifiers (as QKeySequence keys); 0 turns
    // clearing off.
    void setNullValueKey(int key) { m_nullValueKey = key; }
    int nullValueKey() const { return m_nullValueKey; }

    QVariant keyValue() const; // of the entry shown; null when none

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showPopup() override;

private:
    void fillList();
    void fillItems();
    void showValue();
    void choose(int index);

    DataLink* m_data;
    DataLink* m_list;
    QPointer<MemTable> m_listTable;
    QStandardItemModel* m_items;
    QString m_keyField;
    QStringList m_listFields;
    int m_nullValueKey;
    bool m_writing = false;
};
