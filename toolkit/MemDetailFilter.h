#pragma once

#include "toolkit/MemColumn.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <unordered_map>
#include <vector>

// A detail table's view of its rows: the link to a master table, the rows
// whose detail field holds the master's current key, and an index of the
// detail field's values that finds them without a scan.
class MemDetailFilter
{
public:
    // A key as the index keeps it: the text of text fields, the bits of
    // floats, the stored integer of every other type.
    struct Key
    {
        qint64 number = 0;
        QString text;
    };

    QPointer<MemTable> master;
    QString masterField;
    QString detailField;
    QList<QMetaObject::Connection> connections;
    QVariant followedKey; // the master's key the view was last built for
    bool filtered = false;
    std::vector<int> visible; // physical rows, ascending, when filtered

    // A converted, non-null value as a key of a field of this type.
    static Key keyOf(FieldType type, const QVariant& value);
    static bool holds(const MemColumn& column, size_t row, const Key& key);
    static void store(MemColumn& column, size_t row, const Key& key);

    void invalidateIndex() { m_indexValid = false; }
    void dropIndex(); // frees the index; the view stays filtered or not
    // Shows the rows of column (rows long) that hold key.
    void showRowsWith(const MemColumn& column, int rows, const Key& key);
    void showNothing();
    void clear(); // not filtered, no index

private:
    void buildIndex(const MemColumn& column, int rows);

    bool m_indexValid = false;
    std::unordered_map<qint64, std::vector<int>> m_intIndex;
    QHash<QString, std::vector<int>> m_textIndex;
};
