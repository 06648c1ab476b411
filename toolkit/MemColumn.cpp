#include "toolkit/MemColumn.h"

namespace {
constexpr qint64 msecsPerDay = 86400000;
}

MemColumn::MemColumn(FieldType fieldType)
    : type(fieldType)
    , kind(kindOf(fieldType))
{
}

MemColumn::Kind MemColumn::kindOf(FieldType type)
{
    switch (type) {
    case FieldType::Float:
        return Kind::Real;
    case FieldType::Text:
        return Kind::Text;
    default:
        return Kind::Int;
    }
}

qint64 MemColumn::wallClock(const QDateTime& moment)
{
    const QDateTime local = moment.timeSpec() == Qt::LocalTime ? moment : moment.toLocalTime();
    return local.date().toJulianDay() * msecsPerDay + local.time().msecsSinceStartOfDay();
}

QDateTime MemColumn::fromWallClock(qint64 msecs)
{
    qint64 day = msecs / msecsPerDay;
    qint64 rest = msecs % msecsPerDay;
    if (rest < 0) {
        rest += msecsPerDay;
        --day;
    }
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(rest)));
}

void MemColumn::reserve(size_t rows)
{
    nulls.reserve(rows);
    switch (kind) {
    case Kind::Int:
        ints.reserve(rows);
        break;
    case Kind::Real:
        reals.reserve(rows);
        break;
    case Kind::Text:
        textIds.reserve(rows);
        break;
    }
}

void MemColumn::appendNull()
{
    switch (kind) {
    case Kind::Int:
        ints.push_back(0);
        break;
    case Kind::Real:
        reals.push_back(0);
        break;
    case Kind::Text:
        textIds.push_back(0);
        break;
    }
    nulls.push_back(1);
}

void MemColumn::append(const QVariant& value)
{
    appendNull();
    if (!value.isNull())
        set(size() - 1, value);
}

void MemColumn::insertNull(size_t row)
{
    switch (kind) {
    case Kind::Int:
        ints.insert(ints.begin() + qsizetype(row), 0);
        break;
    case Kind::Real:
        reals.insert(reals.begin() + qsizetype(row), 0.0);
        break;
    case Kind::Text:
        textIds.insert(textIds.begin() + qsizetype(row), 0u);
        break;
    }
    nulls.insert(nulls.begin() + qsizetype(row), quint8(1));
}

void MemColumn::insertFrom(size_t row, const MemColumn& source, size_t count)
{
    const auto at = qsizetype(row);
    nulls.insert(nulls.begin() + at, source.nulls.begin(), source.nulls.begin() + qsizetype(count));
    switch (kind) {
    case Kind::Int:
        ints.insert(ints.begin() + at, source.ints.begin(), source.ints.begin() + qsizetype(count));
        break;
    case Kind::Real:
        reals.insert(reals.begin() + at, source.reals.begin(), source.reals.begin() + qsizetype(count));
        break;
    case Kind::Text: {
        std::unordered_map<quint32, quint32> pooled;
        std::vector<quint32> ids;
        ids.reserve(count);
        for (size_t r = 0; r < count; ++r) {
            const quint32 theirs = source.textIds[r];
            if (theirs <= emptyText) {
                ids.push_back(theirs);
                continue;
            }
            auto it = pooled.find(theirs);
            if (it == pooled.end())
                it = pooled.emplace(theirs, addText(source.pool[theirs])).first;
            ids.push_back(it->second);
        }
        textIds.insert(textIds.begin() + at, ids.begin(), ids.end());
        break;
    }
    }
}

void MemColumn::erase(size_t row)
{
    switch (kind) {
    case Kind::Int:
        ints.erase(ints.begin() + qsizetype(row));
        break;
    case Kind::Real:
        reals.erase(reals.begin() + qsizetype(row));
        break;
    case Kind::Text:
        textIds.erase(textIds.begin() + qsizetype(row));
        break;
    }
    nulls.erase(nulls.begin() + qsizetype(row));
}

QVariant MemColumn::get(size_t row) const
{
    if (nulls[row])
        return {};
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return qlonglong(ints[row]);
    case FieldType::Boolean:
        return ints[row] != 0;
    case FieldType::Date:
        return QDate::fromJulianDay(ints[row]);
    case FieldType::DateTime:
        return fromWallClock(ints[row]);
    case FieldType::Float:
        return reals[row];
    case FieldType::Text:
        return text(row);
    }
    return {};
}

void MemColumn::set(size_t row, const QVariant& value)
{
    if (value.isNull()) {
        nulls[row] = 1;
        switch (kind) {
        case Kind::Int:
            ints[row] = 0;
            break;
        case Kind::Real:
            reals[row] = 0;
            break;
        case Kind::Text:
            textIds[row] = 0;
            break;
        }
        return;
    }
    nulls[row] = 0;
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        ints[row] = value.toLongLong();
        break;
    case FieldType::Boolean:
        ints[row] = value.toBool() ? 1 : 0;
        break;
    case FieldType::Date:
        ints[row] = value.toDate().toJulianDay();
        break;
    case FieldType::DateTime:
        ints[row] = wallClock(value.toDateTime());
        break;
    case FieldType::Float:
        reals[row] = value.toDouble();
        break;
    case FieldType::Text:
        textIds[row] = addText(value.toString());
        break;
    }
}
