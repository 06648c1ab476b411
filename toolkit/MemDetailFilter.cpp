#include "toolkit/MemDetailFilter.h"

#include <QDate>

MemDetailFilter::Key MemDetailFilter::keyOf(FieldType type, const QVariant& value)
{
    MemColumn probe(type);
    probe.append(value);
    Key key;
    switch (probe.kind) {
    case MemColumn::Kind::Text:
        key.text = probe.text(0);
        break;
    case MemColumn::Kind::Real:
        key.number = realBits(probe.reals[0]);
        break;
    case MemColumn::Kind::Int:
        key.number = probe.ints[0];
        break;
    }
    return key;
}

bool MemDetailFilter::holds(const MemColumn& column, size_t row, const Key& key)
{
    if (column.isNull(row))
        return false;
    switch (column.kind) {
    case MemColumn::Kind::Text:
        return column.text(row) == key.text;
    case MemColumn::Kind::Real:
        return column.reals[row] == bitsReal(key.number);
    case MemColumn::Kind::Int:
        return column.ints[row] == key.number;
    }
    return false;
}

void MemDetailFilter::store(MemColumn& column, size_t row, const Key& key)
{
    if (column.kind == MemColumn::Kind::Text)
        column.set(row, key.text);
    else if (column.kind == MemColumn::Kind::Real)
        column.set(row, bitsReal(key.number));
    else if (column.type == FieldType::Boolean)
        column.set(row, key.number != 0);
    else if (column.type == FieldType::Date)
        column.set(row, QDate::fromJulianDay(key.number));
    else if (column.type == FieldType::DateTime)
        column.set(row, MemColumn::fromWallClock(key.number));
    else
        column.set(row, qlonglong(key.number));
}

void MemDetailFilter::buildIndex(const MemColumn& column, int rows)
{
    if (m_indexValid)
        return;
    m_intIndex.clear();
    m_textIndex.clear();
    for (int r = 0; r < rows; ++r) {
        if (column.nulls[size_t(r)])
            continue;
        switch (column.kind) {
        case MemColumn::Kind::Text:
            m_textIndex[column.text(size_t(r))].push_back(r);
            break;
        case MemColumn::Kind::Real:
            m_intIndex[realBits(column.reals[size_t(r)])].push_back(r);
            break;
        case MemColumn::Kind::Int:
            m_intIndex[column.ints[size_t(r)]].push_back(r);
            break;
        }
    }
    m_indexValid = true;
}

void MemDetailFilter::showRowsWith(const MemColumn& column, int rows, const Key& key)
{
    filtered = true;
    visible.clear();
    buildIndex(column, rows);
    if (column.kind == MemColumn::Kind::Text) {
        const auto it = m_textIndex.constFind(key.text);
        if (it != m_textIndex.constEnd())
            visible = *it;
    } else {
        const auto it = m_intIndex.find(key.number);
        if (it != m_intIndex.end())
            visible = it->second;
    }
}

void MemDetailFilter::showNothing()
{
    filtered = true;
    visible.clear();
}

void MemDetailFilter::dropIndex()
{
    m_intIndex.clear();
    m_textIndex.clear();
    m_indexValid = false;
}

void MemDetailFilter::clear()
{
    filtered = false;
    visible.clear();
    visible.shrink_to_fit();
    dropIndex();
}
