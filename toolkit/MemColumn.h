#pragma once

// The storage of in-memory tables: one typed vector per field.

#include "toolkit/MemTable.h"

#include <QDateTime>

#include <cstring>
#include <unordered_map>
#include <memory>
#include <vector>

// One field's values, typed. Whole numbers, flags, dates (Julian day) and
// date-times (local wall-clock milliseconds) share the integer vector; texts
// are numbers into a pool, so a name repeated on a million joined rows is
// kept once. A QVariant per cell would need several times the memory.
class MemColumn
{
public:
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
    // The first `count` values of a column of the same type, inserted at
    // row; a text repeated in the source is pooled once.
    void insertFrom(size_t row, const MemColumn& source, size_t count);
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
