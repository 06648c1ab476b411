#include "toolkit/MemTable.h"

#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable_p.h"
#include "toolkit/MessageService.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QSet>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 msecsPerDay = 86400000;

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QStringLiteral("integer");
    case FieldType::Float:
        return QStringLiteral("floating point");
    case FieldType::Text:
        return QStringLiteral("text");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::DateTime:
        return QStringLiteral("date and time");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    }
    return QString();
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool parseNumber(const QString& text, double* number)
{
    bool ok = false;
    *number = text.toDouble(&ok);
    if (!ok)
        *number = QLocale().toDouble(text, &ok);
    return ok && std::isfinite(*number);
}

// Day counts from 1899-12-30, as older data files keep date-times.
QDateTime fromDayCount(double days)
{
    const double whole = std::floor(days);
    const qint64 msecs = qRound64((days - whole) * msecsPerDay);
    return QDateTime(QDate(1899, 12, 30).addDays(qint64(whole)), QTime(0, 0)).addMSecs(msecs);
}

QString trimmedZeros(QString text)
{
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

} // namespace

// ---------------------------------------------------------------------------
// The rows as a Qt model. The table drives it directly, so that inserts and
// removals are announced before they happen, as views require.
class MemTableModel : public QAbstractTableModel
{
public:
    explicit MemTableModel(MemTable* table)
        : QAbstractTableModel(table)
        , m_table(table)
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_table->recordCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_table->fieldCount();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return m_table->displayTextAt(index.row(), index.column());
        case Qt::EditRole:
            return m_table->valueAt(index.row(), index.column());
        case Qt::TextAlignmentRole: {
            const FieldType type = m_table->fieldDef(index.column()).type;
            if (type == FieldType::Integer || type == FieldType::AutoInc || type == FieldType::Float)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        }
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return section >= 0 && section < m_table->fieldCount() ? m_table->fieldDef(section).name : QVariant();
        return section + 1;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
            return false;
        try {
            const int field = index.column();
            const QVariant converted = m_table->convert(field, value);
            const QVariant current = m_table->valueAt(index.row(), field);
            // An editor closed without a change must not start an edit, nor
            // keep a new row nothing was entered in.
            const bool bothEmpty = current.isNull() && converted.toString().isEmpty();
            if (bothEmpty || (!current.isNull() && current == converted))
                return true;
            if (m_table->recNo() != index.row())
                m_table->setRecNo(index.row());
            m_table->setValue(field, converted);
            return true;
        } catch (const AppError& error) {
            // Views call this from inside Qt; the message is the user's only news.
            MessageService::error(QCoreApplication::applicationName(), error.message());
            return false;
        }
    }

    void beginInsert(int position) { beginInsertRows({}, position, position); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int position) { beginRemoveRows({}, position, position); }
    void endRemove() { endRemoveRows(); }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void rowChanged(int position)
    {
        if (position >= 0 && position < rowCount() && columnCount() > 0)
            emit dataChanged(index(position, 0), index(position, columnCount() - 1));
    }

private:
    MemTable* m_table;
};

// ---------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------
int MemTable::Private::positionOf(int physicalRow) const
{
    if (physicalRow < 0 || physicalRow >= rows)
        return -1;
    if (!filtered)
        return physicalRow;
    const auto it = std::lower_bound(visible.begin(), visible.end(), physicalRow);
    return it != visible.end() && *it == physicalRow ? int(it - visible.begin()) : -1;
}

MemColumn& MemTable::Private::writable(int field)
{
    MemColumnPtr& column = columns[size_t(field)];
    if (column.use_count() > 1)
        column = std::make_shared<MemColumn>(*column);
    return *column;
}

void MemTable::Private::requireActive() const
{
    if (!active)
        throw AppError(QStringLiteral("Cannot perform this operation on a closed table"));
}

int MemTable::Private::requireField(const QString& name) const
{
    const int index = fieldByName.value(name.toLower(), -1);
    if (index < 0)
        throw AppError(QStringLiteral("Field '%1' not found").arg(name));
    return index;
}

void MemTable::Private::setFields(const QList<FieldDef>& definitions)
{
    fields = definitions;
    rebuildFieldNames();
}

void MemTable::Private::rebuildFieldNames()
{
    fieldByName.clear();
    for (int i = 0; i < fields.size(); ++i) {
        const QString key = fields.at(i).name.toLower();
        if (!fieldByName.contains(key))
            fieldByName.insert(key, i);
    }
}

QVariantList MemTable::Private::rowValues(int physicalRow) const
{
    QVariantList values;
    values.reserve(qsizetype(columns.size()));
    for (const MemColumnPtr& column : columns)
        values << column->get(size_t(physicalRow));
    return values;
}

QVariantMap MemTable::Private::rowMap(int physicalRow) const
{
    QVariantMap values;
    for (int i = 0; i < fields.size(); ++i)
        values.insert(fields.at(i).name, columns[size_t(i)]->get(size_t(physicalRow)));
    return values;
}

void MemTable::Private::resetModelBegin()
{
    if (model)
        model->beginReset();
}

void MemTable::Private::resetModelEnd()
{
    if (model)
        model->endReset();
}

void MemTable::Private::adopt(std::vector<MemColumnPtr> newColumns, int rowCount)
{
    const State before = state;
    resetModelBegin();
    columns = std::move(newColumns);
    rows = rowCount;
    status.assign(size_t(rows), quint8(Unchanged));
    removed.clear();
    autoNext.assign(columns.size(), 1);
    for (size_t c = 0; c < columns.size(); ++c) {
        const MemColumn& column = *columns[c];
        if (column.type != FieldType::AutoInc)
            continue;
        qint64 highest = 0;
        for (size_t r = 0; r < column.size(); ++r)
            if (!column.nulls[r])
                highest = std::max(highest, column.ints[r]);
        autoNext[c] = highest + 1;
    }
    active = true;
    state = Browse;
    backup.clear();
    modified = false;
    detailKeyTouched = false;
    indexValid = false;
    refilter();
    cursor = count() > 0 ? 0 : -1;
    bofFlag = true;
    eofFlag = count() == 0;
    resetModelEnd();
    if (before != state)
        emit q->stateChanged(state);
    emit q->rowsReset();
    emitCurrent();
}

void MemTable::Private::setState(State newState)
{
    if (state == newState)
        return;
    state = newState;
    emit q->stateChanged(state);
}

void MemTable::Private::emitCurrent()
{
    if (disableCount == 0)
        emit q->currentChanged(cursor);
}

void MemTable::Private::emitRowChanged(int position)
{
    if (model)
        model->rowChanged(position);
    emit q->rowChanged(position);
}

int MemTable::Private::checkBrowseMode()
{
    if (state != Edit && state != Insert)
        return -1;
    emit q->aboutToPost();
    if (state == Insert && !modified) {
        const int dropped = physical(cursor);
        setState(Browse);
        removeAt(cursor);
        return dropped;
    }
    postPending();
    return -1;
}

void MemTable::Private::postPending()
{
    const int phys = physical(cursor);
    if (state == Insert) {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c]->type != FieldType::AutoInc)
                continue;
            if (columns[c]->isNull(size_t(phys))) {
                writable(int(c)).set(size_t(phys), qlonglong(autoNext[c]++));
            } else {
                autoNext[c] = std::max(autoNext[c], columns[c]->ints[size_t(phys)] + 1);
            }
        }
        status[size_t(phys)] = Inserted;
    } else if (status[size_t(phys)] == Unchanged && rowValues(phys) != backup) {
        status[size_t(phys)] = Modified;
    }
    backup.clear();
    modified = false;
    const bool keyTouched = detailKeyTouched;
    detailKeyTouched = false;
    setState(Browse);
    if (filtered && keyTouched) {
        // The row may no longer belong to the master's key.
        qint64 intKey = 0;
        QString textKey;
        const int field = detailFieldIndex();
        const MemColumn& column = *columns[size_t(field)];
        bool stays = masterKey(&intKey, &textKey) && !column.isNull(size_t(phys));
        if (stays) {
            if (column.kind == MemColumn::Kind::Text)
                stays = column.text(size_t(phys)) == textKey;
            else if (column.kind == MemColumn::Kind::Real)
                stays = column.reals[size_t(phys)] == bitsReal(intKey);
            else
                stays = column.ints[size_t(phys)] == intKey;
        }
        if (!stays) {
            resetModelBegin();
            refilter();
            cursor = count() == 0 ? -1 : std::min(cursor, count() - 1);
            resetModelEnd();
            emit q->rowsReset();
            emitCurrent();
            return;
        }
    }
    emitRowChanged(cursor);
}

void MemTable::Private::insertRow(bool atEnd)
{
    requireActive();
    checkBrowseMode();
    const int position = atEnd || count() == 0 ? count() : std::max(cursor, 0);
    const int phys = position >= count() ? rows : physical(position);
    if (model)
        model->beginInsert(position);
    for (size_t c = 0; c < columns.size(); ++c)
        writable(int(c)).insertNull(size_t(phys));
    status.insert(status.begin() + phys, quint8(Inserted));
    ++rows;
    indexValid = false;
    if (filtered) {
        for (int& row : visible)
            if (row >= phys)
                ++row;
        visible.insert(visible.begin() + position, phys);
        // A detail row belongs to the master's current key.
        qint64 intKey = 0;
        QString textKey;
        const int field = detailFieldIndex();
        if (masterKey(&intKey, &textKey)) {
            MemColumn& column = writable(field);
            if (column.kind == MemColumn::Kind::Text)
                column.set(size_t(phys), textKey);
            else if (column.kind == MemColumn::Kind::Real)
                column.set(size_t(phys), bitsReal(intKey));
            else if (column.type == FieldType::Boolean)
                column.set(size_t(phys), intKey != 0);
            else if (column.type == FieldType::Date)
                column.set(size_t(phys), QDate::fromJulianDay(intKey));
            else if (column.type == FieldType::DateTime)
                column.set(size_t(phys), MemColumn::fromWallClock(intKey));
            else
                column.set(size_t(phys), qlonglong(intKey));
        }
    }
    cursor = position;
    bofFlag = false;
    eofFlag = false;
    backup.clear();
    modified = false;
    detailKeyTouched = false;
    if (model)
        model->endInsert();
    setState(Insert);
    emit q->rowInserted(position);
    emitCurrent();
}

void MemTable::Private::removeAt(int position)
{
    const int phys = physical(position);
    if (model)
        model->beginRemove(position);
    for (size_t c = 0; c < columns.size(); ++c)
        writable(int(c)).erase(size_t(phys));
    status.erase(status.begin() + phys);
    --rows;
    indexValid = false;
    if (filtered) {
        visible.erase(visible.begin() + position);
        for (int& row : visible)
            if (row > phys)
                --row;
    }
    cursor = count() == 0 ? -1 : std::min(position, count() - 1);
    if (model)
        model->endRemove();
    emit q->rowRemoved(position);
    emitCurrent();
}

void MemTable::Private::moveToPhysical(int physicalRow)
{
    const int position = positionOf(physicalRow);
    const int target = position >= 0 ? position : (count() == 0 ? -1 : std::clamp(cursor, 0, count() - 1));
    bofFlag = count() == 0;
    eofFlag = count() == 0;
    if (target != cursor) {
        cursor = target;
        emitCurrent();
    }
}

int MemTable::Private::detailFieldIndex() const
{
    return fieldByName.value(detailField.toLower(), -1);
}

bool MemTable::Private::masterKey(qint64* intKey, QString* textKey) const
{
    const int field = detailFieldIndex();
    if (!master || field < 0 || !master->isActive() || master->recNo() < 0)
        return false;
    QVariant key;
    try {
        key = q->convert(field, master->value(masterField));
    } catch (const AppError&) {
        return false;
    }
    if (key.isNull())
        return false;
    MemColumn probe(fields.at(field).type);
    probe.append(key);
    switch (probe.kind) {
    case MemColumn::Kind::Text:
        *textKey = probe.text(0);
        break;
    case MemColumn::Kind::Real:
        *intKey = realBits(probe.reals[0]);
        break;
    case MemColumn::Kind::Int:
        *intKey = probe.ints[0];
        break;
    }
    return true;
}

void MemTable::Private::ensureIndex()
{
    if (indexValid)
        return;
    intIndex.clear();
    textIndex.clear();
    const int field = detailFieldIndex();
    if (field >= 0) {
        const MemColumn& column = *columns[size_t(field)];
        for (int r = 0; r < rows; ++r) {
            if (column.nulls[size_t(r)])
                continue;
            switch (column.kind) {
            case MemColumn::Kind::Text:
                textIndex[column.text(size_t(r))].push_back(r);
                break;
            case MemColumn::Kind::Real:
                intIndex[realBits(column.reals[size_t(r)])].push_back(r);
                break;
            case MemColumn::Kind::Int:
                intIndex[column.ints[size_t(r)]].push_back(r);
                break;
            }
        }
    }
    indexValid = true;
}

void MemTable::Private::refilter()
{
    const int field = detailFieldIndex();
    if (!master || field < 0) {
        filtered = false;
        visible.clear();
        visible.shrink_to_fit();
        return;
    }
    filtered = true;
    visible.clear();
    followedKey = master->isActive() && master->recNo() >= 0 ? master->value(masterField) : QVariant();
    qint64 intKey = 0;
    QString textKey;
    if (!masterKey(&intKey, &textKey))
        return;
    ensureIndex();
    if (MemColumn::kindOf(fields.at(field).type) == MemColumn::Kind::Text) {
        const auto it = textIndex.constFind(textKey);
        if (it != textIndex.constEnd())
            visible = *it;
    } else {
        const auto it = intIndex.find(intKey);
        if (it != intIndex.end())
            visible = it->second;
    }
}

void MemTable::Private::followMaster()
{
    if (!active)
        return;
    checkBrowseMode();
    resetModelBegin();
    refilter();
    cursor = count() > 0 ? 0 : -1;
    bofFlag = true;
    eofFlag = count() == 0;
    resetModelEnd();
    emit q->rowsReset();
    emitCurrent();
}

// ---------------------------------------------------------------------------
MemTable::MemTable(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
}

MemTable::~MemTable()
{
    for (const auto& connection : std::as_const(d->masterConnections))
        disconnect(connection);
}

void MemTable::addField(const QString& name, FieldType type, int size)
{
    if (d->active)
        throw AppError(QStringLiteral("Cannot add field '%1' to an open table").arg(name));
    if (d->fieldByName.contains(name.toLower()))
        throw AppError(QStringLiteral("Field '%1' is defined twice").arg(name));
    d->fields.append(FieldDef{name, type, std::max(size, 0)});
    d->rebuildFieldNames();
}

int MemTable::fieldCount() const
{
    return int(d->fields.size());
}

const FieldDef& MemTable::fieldDef(int index) const
{
    return d->fields.at(index);
}

int MemTable::fieldIndex(const QString& name) const
{
    return d->fieldByName.value(name.toLower(), -1);
}

QStringList MemTable::fieldNames() const
{
    QStringList names;
    for (const FieldDef& field : std::as_const(d->fields))
        names << field.name;
    return names;
}

void MemTable::open()
{
    if (d->active)
        return;
    std::vector<MemColumnPtr> columns;
    for (const FieldDef& field : std::as_const(d->fields))
        columns.push_back(std::make_shared<MemColumn>(field.type));
    d->adopt(std::move(columns), 0);
}

void MemTable::close()
{
    if (!d->active)
        return;
    d->resetModelBegin();
    d->active = false;
    d->columns.clear();
    d->rows = 0;
    d->status.clear();
    d->removed.clear();
    d->visible.clear();
    d->intIndex.clear();
    d->textIndex.clear();
    d->indexValid = false;
    d->cursor = -1;
    d->bofFlag = d->eofFlag = true;
    d->backup.clear();
    d->modified = false;
    d->resetModelEnd();
    d->setState(Inactive);
    emit rowsReset();
    d->emitCurrent();
}

bool MemTable::isActive() const
{
    return d->active;
}

void MemTable::loadFrom(const MemTable& source)
{
    if (&source == this)
        return;
    if (d->fields.isEmpty())
        d->setFields(source.d->fields);
    const int rows = source.d->rows;
    std::vector<MemColumnPtr> columns;
    for (const FieldDef& field : std::as_const(d->fields)) {
        const int from = source.fieldIndex(field.name);
        if (from < 0) {
            auto column = std::make_shared<MemColumn>(field.type);
            column->reserve(size_t(rows));
            for (int r = 0; r < rows; ++r)
                column->appendNull();
            columns.push_back(column);
            continue;
        }
        const MemColumnPtr& theirs = source.d->columns[size_t(from)];
        const int theirSize = source.d->fields.at(from).size;
        const bool sameSize = field.size == 0 || (theirSize > 0 && theirSize <= field.size);
        if (theirs->type == field.type && sameSize) {
            columns.push_back(theirs); // shared until one side changes
            continue;
        }
        auto column = std::make_shared<MemColumn>(field.type);
        column->reserve(size_t(rows));
        const int index = int(columns.size());
        for (int r = 0; r < rows; ++r) {
            QVariant value;
            try {
                value = convert(index, theirs->get(size_t(r)));
            } catch (const AppError&) {
                // A value this field cannot hold is left empty, as a copy
                // between unlike fields must not fail half-way.
            }
            column->append(value);
        }
        columns.push_back(column);
    }
    d->adopt(std::move(columns), rows);
}

void MemTable::loadFromQuery(QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    if (d->fields.isEmpty()) {
        QList<FieldDef> fields;
        QSet<QString> seen;
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField field = record.field(i);
            FieldType type = FieldType::Text;
            switch (field.metaType().id()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Long:
            case QMetaType::ULong:
                type = FieldType::Integer;
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                type = FieldType::Float;
                break;
            case QMetaType::Bool:
                type = FieldType::Boolean;
                break;
            case QMetaType::QDate:
                type = FieldType::Date;
                break;
            case QMetaType::QDateTime:
                type = FieldType::DateTime;
                break;
            default:
                break;
            }
            QString name = field.name();
            for (int n = 1; seen.contains(name.toLower()); ++n)
                name = field.name() + QStringLiteral("_%1").arg(n);
            seen.insert(name.toLower());
            fields.append(FieldDef{name, type, 0});
        }
        d->setFields(fields);
    }
    // Columns of this table by position in the query.
    std::vector<int> sourceOf;
    for (const FieldDef& field : std::as_const(d->fields))
        sourceOf.push_back(record.indexOf(field.name));
    std::vector<MemColumnPtr> columns;
    for (const FieldDef& field : std::as_const(d->fields))
        columns.push_back(std::make_shared<MemColumn>(field.type));

    int rows = 0;
    auto readRow = [&] {
        for (size_t c = 0; c < columns.size(); ++c) {
            QVariant value;
            if (sourceOf[c] >= 0) {
                try {
                    value = convert(int(c), query.value(sourceOf[c]));
                } catch (const AppError&) {
                }
            }
            columns[c]->append(value);
        }
        ++rows;
    };
    if (query.isActive()) {
        if (query.at() >= 0 && !query.isForwardOnly() && query.first())
            readRow();
        else if (query.at() >= 0)
            readRow(); // forward-only and already on a row: take it
        while (query.next())
            readRow();
    }
    d->adopt(std::move(columns), rows);
}

int MemTable::recordCount() const
{
    return d->active ? d->count() : 0;
}

int MemTable::recNo() const
{
    return d->cursor;
}

bool MemTable::setRecNo(int position)
{
    if (!d->active || position < 0 || position >= d->count())
        return false;
    if (position == d->cursor)
        return true;
    const int target = d->physical(position);
    const int dropped = d->checkBrowseMode();
    d->moveToPhysical(dropped >= 0 && target > dropped ? target - 1 : target);
    return true;
}

void MemTable::first()
{
    if (!d->active)
        return;
    d->checkBrowseMode();
    const int target = d->count() > 0 ? 0 : -1;
    const bool moved = target != d->cursor;
    d->cursor = target;
    d->bofFlag = true;
    d->eofFlag = d->count() == 0;
    if (moved)
        d->emitCurrent();
}

void MemTable::last()
{
    if (!d->active)
        return;
    d->checkBrowseMode();
    const int target = d->count() - 1;
    const bool moved = target != d->cursor;
    d->cursor = target;
    d->eofFlag = true;
    d->bofFlag = d->count() == 0;
    if (moved)
        d->emitCurrent();
}

void MemTable::next()
{
    if (!d->active)
        return;
    if (d->count() == 0) {
        d->bofFlag = d->eofFlag = true;
        return;
    }
    if (d->cursor + 1 >= d->count()) {
        d->checkBrowseMode();
        if (d->count() > 0 && d->cursor != d->count() - 1) {
            d->cursor = d->count() - 1;
            d->emitCurrent();
        }
        d->eofFlag = true;
        d->bofFlag = d->count() == 0;
        return;
    }
    const int target = d->physical(d->cursor + 1);
    const int dropped = d->checkBrowseMode();
    d->moveToPhysical(dropped >= 0 && target > dropped ? target - 1 : target);
}

void MemTable::prior()
{
    if (!d->active)
        return;
    if (d->count() == 0) {
        d->bofFlag = d->eofFlag = true;
        return;
    }
    if (d->cursor <= 0) {
        d->checkBrowseMode();
        if (d->count() > 0 && d->cursor != 0) {
            d->cursor = 0;
            d->emitCurrent();
        }
        d->bofFlag = true;
        d->eofFlag = d->count() == 0;
        return;
    }
    const int target = d->physical(d->cursor - 1);
    const int dropped = d->checkBrowseMode();
    d->moveToPhysical(dropped >= 0 && target > dropped ? target - 1 : target);
}

bool MemTable::bof() const
{
    return !d->active || d->count() == 0 || d->bofFlag;
}

bool MemTable::eof() const
{
    return !d->active || d->count() == 0 || d->eofFlag;
}

QVariant MemTable::value(const QString& field) const
{
    return value(d->requireField(field));
}

QVariant MemTable::value(int field) const
{
    if (d->cursor < 0)
        return {};
    return valueAt(d->cursor, field);
}

QVariant MemTable::valueAt(int position, int field) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return {};
    return d->columns[size_t(field)]->get(size_t(d->physical(position)));
}

bool MemTable::intAt(int position, int field, qint64* out) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return false;
    const MemColumn& column = *d->columns[size_t(field)];
    const size_t row = size_t(d->physical(position));
    if (column.kind != MemColumn::Kind::Int || column.isNull(row))
        return false;
    *out = column.ints[row];
    return true;
}

bool MemTable::isNullAt(int position, int field) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return true;
    return d->columns[size_t(field)]->isNull(size_t(d->physical(position)));
}

bool MemTable::realAt(int position, int field, double* out) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return false;
    const MemColumn& column = *d->columns[size_t(field)];
    const size_t row = size_t(d->physical(position));
    if (column.isNull(row))
        return false;
    switch (column.type) {
    case FieldType::Float:
        *out = column.reals[row];
        return true;
    case FieldType::Integer:
    case FieldType::AutoInc:
    case FieldType::Boolean:
        *out = double(column.ints[row]);
        return true;
    default:
        return false;
    }
}

void MemTable::setValue(const QString& field, const QVariant& value)
{
    setValue(d->requireField(field), value);
}

void MemTable::setValue(int field, const QVariant& value)
{
    d->requireActive();
    if (field < 0 || field >= fieldCount())
        throw AppError(QStringLiteral("Field number %1 not found").arg(field));
    const QVariant converted = convert(field, value);
    if (d->state == Browse)
        edit();
    const int phys = d->physical(d->cursor);
    d->writable(field).set(size_t(phys), converted);
    d->modified = true;
    if (field == d->detailFieldIndex()) {
        d->indexValid = false;
        d->detailKeyTouched = true;
    }
    d->emitRowChanged(d->cursor);
}

QVariant MemTable::convert(int field, const QVariant& value) const
{
    if (field < 0 || field >= fieldCount())
        throw AppError(QStringLiteral("Field number %1 not found").arg(field));
    const FieldDef& def = d->fields.at(field);
    if (!value.isValid() || value.isNull())
        return {};
    const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
    const QString text = isText ? value.toString().trimmed() : QString();
    if (def.type != FieldType::Text && isText && text.isEmpty())
        return {};
    auto invalid = [&] {
        return AppError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                            .arg(value.toString(), typeName(def.type), def.name));
    };
    switch (def.type) {
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (value.typeId() == QMetaType::Bool)
            return qlonglong(value.toBool() ? 1 : 0);
        if (isText) {
            bool ok = false;
            const qlonglong number = text.toLongLong(&ok);
            if (ok)
                return number;
            double real = 0;
            if (parseNumber(text, &real) && real == std::floor(real) && std::fabs(real) < 9.2e18)
                return qlonglong(real);
            throw invalid();
        }
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            const double real = value.toDouble();
            if (!std::isfinite(real) || std::fabs(real) >= 9.2e18)
                throw invalid();
            return qlonglong(qRound64(real));
        }
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok)
            throw invalid();
        return number;
    }
    case FieldType::Float: {
        if (isText) {
            double real = 0;
            if (!parseNumber(text, &real))
                throw invalid();
            return real;
        }
        bool ok = false;
        const double real = value.toDouble(&ok);
        if (!ok || !std::isfinite(real))
            throw invalid();
        return real;
    }
    case FieldType::Boolean: {
        if (isText) {
            const QString lower = text.toLower();
            if (lower == QLatin1String("true") || lower == QLatin1String("yes"))
                return true;
            if (lower == QLatin1String("false") || lower == QLatin1String("no"))
                return false;
            double real = 0;
            if (parseNumber(text, &real))
                return real != 0;
            throw invalid();
        }
        if (value.typeId() == QMetaType::Bool || isNumber(value))
            return value.toBool();
        throw invalid();
    }
    case FieldType::Text: {
        QString result = value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         : value.typeId() == QMetaType::QDate ? value.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                                                               : value.toString();
        if (def.size > 0 && result.size() > def.size)
            result.truncate(def.size);
        return result;
    }
    case FieldType::Date: {
        QDate date;
        if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else if (isNumber(value))
            date = fromDayCount(value.toDouble()).date();
        else if (isText)
            date = DbConnection::parseDateTime(text).date();
        if (!date.isValid())
            throw invalid();
        return date;
    }
    case FieldType::DateTime: {
        QDateTime moment;
        if (value.typeId() == QMetaType::QDateTime)
            moment = value.toDateTime().toLocalTime();
        else if (value.typeId() == QMetaType::QDate)
            moment = value.toDate().startOfDay();
        else if (isNumber(value))
            moment = fromDayCount(value.toDouble());
        else if (isText)
            moment = DbConnection::parseDateTime(text);
        if (!moment.isValid())
            throw invalid();
        return moment;
    }
    }
    return {};
}

QString MemTable::displayText(const QString& field) const
{
    return displayTextAt(d->cursor, d->requireField(field));
}

QString MemTable::displayTextAt(int position, int field) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return {};
    const MemColumn& column = *d->columns[size_t(field)];
    const size_t row = size_t(d->physical(position));
    if (column.isNull(row))
        return {};
    switch (column.type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QString::number(column.ints[row]);
    case FieldType::Boolean:
        return column.ints[row] ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return QDate::fromJulianDay(column.ints[row]).toString(QStringLiteral("yyyy-MM-dd"));
    case FieldType::DateTime:
        return MemColumn::fromWallClock(column.ints[row]).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case FieldType::Float:
        return trimmedZeros(QString::number(column.reals[row], 'f', 4));
    case FieldType::Text:
        return column.text(row);
    }
    return {};
}

QString MemTable::editTextAt(int position, int field) const
{
    if (field >= 0 && field < fieldCount() && d->fields.at(field).type == FieldType::Float) {
        const QVariant raw = valueAt(position, field);
        return raw.isNull() ? QString() : QString::number(raw.toDouble(), 'g', 15);
    }
    return displayTextAt(position, field);
}

MemTable::State MemTable::state() const
{
    return d->state;
}

void MemTable::append()
{
    d->insertRow(true);
}

void MemTable::insert()
{
    d->insertRow(false);
}

void MemTable::edit()
{
    d->requireActive();
    if (d->state != Browse)
        return;
    if (d->count() == 0) {
        insert();
        return;
    }
    d->backup = d->rowValues(d->physical(d->cursor));
    d->modified = false;
    d->detailKeyTouched = false;
    d->setState(Edit);
}

void MemTable::post()
{
    if (d->state != Edit && d->state != Insert)
        return;
    emit aboutToPost();
    d->postPending();
}

void MemTable::cancel()
{
    if (d->state == Insert) {
        d->modified = false;
        d->setState(Browse);
        d->removeAt(d->cursor);
    } else if (d->state == Edit) {
        const int phys = d->physical(d->cursor);
        for (size_t c = 0; c < d->columns.size() && int(c) < d->backup.size(); ++c)
            if (d->columns[c]->get(size_t(phys)) != d->backup.at(int(c)))
                d->writable(int(c)).set(size_t(phys), d->backup.at(int(c)));
        d->backup.clear();
        d->modified = false;
        d->detailKeyTouched = false;
        d->indexValid = false;
        d->setState(Browse);
        d->emitRowChanged(d->cursor);
    }
}

void MemTable::remove()
{
    if (!d->active || d->state != Browse || d->count() == 0)
        return;
    const int phys = d->physical(d->cursor);
    if (d->status[size_t(phys)] != Inserted)
        d->removed.append(d->rowMap(phys));
    d->removeAt(d->cursor);
}

bool MemTable::isModified() const
{
    return (d->state == Edit || d->state == Insert) && d->modified;
}

MemTable::RowStatus MemTable::rowStatus() const
{
    return rowStatusAt(d->cursor);
}

MemTable::RowStatus MemTable::rowStatusAt(int position) const
{
    if (!d->active || position < 0 || position >= d->count())
        return Unchanged;
    return RowStatus(d->status[size_t(d->physical(position))]);
}

QList<QVariantMap> MemTable::removedRows() const
{
    return d->removed;
}

QVariantList MemTable::removedValues(const QString& field) const
{
    const QString name = d->fields.at(d->requireField(field)).name;
    QVariantList values;
    for (const QVariantMap& row : std::as_const(d->removed))
        values << row.value(name);
    return values;
}

void MemTable::resetChangeTracking()
{
    std::fill(d->status.begin(), d->status.end(), quint8(Unchanged));
    d->removed.clear();
}

bool MemTable::locate(const QString& field, const QVariant& value, bool caseInsensitive)
{
    const int index = d->requireField(field);
    if (!d->active)
        return false;
    QVariant wanted;
    try {
        wanted = convert(index, value);
    } catch (const AppError&) {
        return false; // no row can hold such a value
    }
    d->checkBrowseMode();
    const MemColumn& column = *d->columns[size_t(index)];
    const int rows = d->count();
    for (int position = 0; position < rows; ++position) {
        const size_t row = size_t(d->physical(position));
        bool match = false;
        if (wanted.isNull()) {
            match = column.isNull(row);
        } else if (!column.isNull(row)) {
            if (column.kind == MemColumn::Kind::Text)
                match = column.text(row).compare(wanted.toString(),
                                                  caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive)
                        == 0;
            else
                match = column.get(row) == wanted;
        }
        if (match) {
            d->bofFlag = d->eofFlag = false;
            if (position != d->cursor) {
                d->cursor = position;
                d->emitCurrent();
            }
            return true;
        }
    }
    return false;
}

void MemTable::setMasterLink(MemTable* master, const QString& masterField, const QString& detailField)
{
    for (const auto& connection : std::as_const(d->masterConnections))
        disconnect(connection);
    d->masterConnections.clear();
    if (master == this)
        throw AppError(QStringLiteral("A table cannot be its own master"));
    d->master = master;
    d->masterField = masterField;
    d->detailField = detailField;
    d->indexValid = false;
    if (master) {
        auto follow = [this] { d->followMaster(); };
        d->masterConnections << connect(master, &MemTable::currentChanged, this, follow)
                             << connect(master, &MemTable::rowsReset, this, follow)
                             << connect(master, &MemTable::rowChanged, this,
                                        [this](int position) {
                                            // Typing into other fields of the master row
                                            // must not rebuild the view each keystroke.
                                            if (d->master && position == d->master->recNo()
                                                && d->master->value(d->masterField) != d->followedKey)
                                                d->followMaster();
                                        })
                             << connect(master, &QObject::destroyed, this, [this] { clearMasterLink(); });
    }
    if (d->active) {
        d->followMaster();
    } else {
        d->filtered = false;
    }
}

void MemTable::clearMasterLink()
{
    setMasterLink(nullptr, QString(), QString());
}

MemTable* MemTable::masterTable() const
{
    return d->master;
}

void MemTable::disableControls()
{
    ++d->disableCount;
}

void MemTable::enableControls()
{
    if (d->disableCount == 0)
        return;
    if (--d->disableCount == 0)
        emit currentChanged(d->cursor);
}

bool MemTable::controlsDisabled() const
{
    return d->disableCount > 0;
}

QAbstractTableModel* MemTable::model()
{
    if (!d->model)
        d->model = new MemTableModel(this);
    return d->model;
}
