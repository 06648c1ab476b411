#pragma once

// Storage of MemTable, shared with the loaders that fill it in bulk.

#include "toolkit/MemTable.h"

#include <QHash>
#include <QPointer>

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

class MemTableModel;

// One field's values, typed. Whole numbers, flags, dates (Julian day) and
// date-times (local wall-clock milliseconds) share the integer vector; texts
// are numbers into a pool, so a name repeated on a million joined rows is
// kept once. A QVariant per cell would need several times the memory.
struct MemColumn
{
    enum class Kind { Int, Real, Text };

    explicit MemColumn(FieldType type);

    static Kind kindOf(FieldType type);
    static qint64 wallClock(const QDateTime& moment);
    static QDateTime fromWallClock(qint64 msecs);

    FieldType type;
    Kind kind;
    std::vector<qint64> ints;
    std::vector<double> reals;
    std::vector<quint32> textIds; // into pool; 0 for null
    std::vector<QString> pool{QString(), QStringLiteral("")};
    std::vector<quint8> nulls; // 1 where the value is null

    static constexpr quint32 emptyText = 1;
    const QString& text(size_t row) const { return pool[textIds[row]]; }
    quint32 addText(const QString& value)
    {
        if (value.isEmpty())
            return emptyText;
        pool.push_back(value);
        return quint32(pool.size() - 1);
    }

    size_t size() const { return nulls.size(); }
    bool isNull(size_t row) const { return nulls[row] != 0; }
    void reserve(size_t rows);
    void appendNull();
    void appendInt(qint64 value)
    {
        ints.push_back(value);
        nulls.push_back(0);
    }
    void appendReal(double value)
    {
        reals.push_back(value);
        nulls.push_back(0);
    }
    void appendTextId(quint32 id)
    {
        textIds.push_back(id);
        nulls.push_back(0);
    }
    // value must already be converted to the column's type (or null).
    void append(const QVariant& value);
    void insertNull(size_t row);
    void erase(size_t row);
    QVariant get(size_t row) const;
    void set(size_t row, const QVariant& value);
};

using MemColumnPtr = std::shared_ptr<MemColumn>;

// Float keys of the detail index are kept by their bit pattern.
inline qint64 realBits(double value)
{
    qint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
inline double bitsReal(qint64 bits)
{
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct MemTable::Private
{
    explicit Private(MemTable* owner)
        : q(owner)
    {
    }

    MemTable* q;
    QList<FieldDef> fields;
    QHash<QString, int> fieldByName; // lower-case name -> index
    // Columns are shared between tables loaded from one another and copied
    // only when one of them changes, so a working copy costs nothing until
    // it is edited.
    std::vector<MemColumnPtr> columns;
    int rows = 0; // physical rows
    std::vector<quint8> status; // RowStatus per physical row
    QList<QVariantMap> removed;
    std::vector<qint64> autoNext; // per field; used by AutoInc fields

    bool active = false;
    State state = Inactive;
    int cursor = -1; // visible position
    bool bofFlag = true;
    bool eofFlag = true;
    QVariantList backup; // the row's values when the edit began
    bool modified = false;
    bool detailKeyTouched = false;
    int disableCount = 0;

    // Detail filter over a master's current key.
    QPointer<MemTable> master;
    QString masterField;
    QString detailField;
    QList<QMetaObject::Connection> masterConnections;
    QVariant followedKey; // the master's key the view was last built for
    bool filtered = false;
    std::vector<int> visible; // physical rows, ascending, when filtered
    bool indexValid = false;
    std::unordered_map<qint64, std::vector<int>> intIndex;
    QHash<QString, std::vector<int>> textIndex;

    MemTableModel* model = nullptr;

    int count() const { return filtered ? int(visible.size()) : rows; }
    int physical(int position) const { return filtered ? visible[size_t(position)] : position; }
    int positionOf(int physicalRow) const; // -1 when not visible
    MemColumn& writable(int field);

    void requireActive() const;
    int requireField(const QString& name) const;
    void setFields(const QList<FieldDef>& definitions);
    void rebuildFieldNames();
    QVariantList rowValues(int physicalRow) const;
    QVariantMap rowMap(int physicalRow) const;

    // Replaces every row with the given columns (one per field) and leaves
    // the cursor on the first row, change tracking reset.
    void adopt(std::vector<MemColumnPtr> newColumns, int rowCount);

    void setState(State newState);
    void emitCurrent();
    void emitRowChanged(int position);

    // Posts a pending edit, or drops a new row nothing was entered in.
    // Returns the physical row dropped, or -1.
    int checkBrowseMode();
    void postPending();
    void insertRow(bool atEnd);
    void removeAt(int position);
    // Moves to the physical row (after posting/dropping); for prior/next
    // moves that fall off an end, the flags are set by the caller.
    void moveToPhysical(int physicalRow);

    int detailFieldIndex() const;
    bool masterKey(qint64* intKey, QString* textKey) const;
    void ensureIndex();
    void refilter(); // recomputes the visible rows for the master's key
    void followMaster();
    void resetModelBegin();
    void resetModelEnd();
};
