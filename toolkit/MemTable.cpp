// MemTable's fields, loading, values and detail link; the cursor and the
// editing states are in MemTableCursor.cpp, the storage in MemColumn, the
// detail filter in MemDetailFilter and the Qt model in MemTableModel.
#include "toolkit/MemTable.h"

#include "toolkit/AppError.h"
#include "toolkit/FieldValues.h"
#include "toolkit/MemTableModel.h"
#include "toolkit/MemTable_p.h"

#include <QDateTime>
#include <QSet>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlRecord>

#include <algorithm>

int MemTable::Private::positionOf(int physicalRow) const
{
    if (physicalRow < 0 || physicalRow >= rows)
        return -1;
    if (!filter.filtered)
        return physicalRow;
    const auto it = std::lower_bound(filter.visible.begin(), filter.visible.end(), physicalRow);
    return it != filter.visible.end() && *it == physicalRow ? int(it - filter.visible.begin()) : -1;
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
    moreRows = false;
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
    filter.invalidateIndex();
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

int MemTable::Private::detailFieldIndex() const
{
    return fieldByName.value(filter.detailField.toLower(), -1);
}

bool MemTable::Private::masterKey(MemDetailFilter::Key* key) const
{
    const int field = detailFieldIndex();
    const MemTable* master = filter.master;
    if (!master || field < 0 || !master->isActive() || master->recNo() < 0)
        return false;
    QVariant value;
    try {
        value = q->convert(field, master->value(filter.masterField));
    } catch (const AppError&) {
        return false;
    }
    if (value.isNull())
        return false;
    *key = MemDetailFilter::keyOf(fields.at(field).type, value);
    return true;
}

void MemTable::Private::refilter()
{
    const int field = detailFieldIndex();
    if (!filter.master || field < 0) {
        filter.clear();
        return;
    }
    const MemTable* master = filter.master;
    filter.followedKey = master->isActive() && master->recNo() >= 0 ? master->value(filter.masterField) : QVariant();
    MemDetailFilter::Key key;
    if (masterKey(&key))
        filter.showRowsWith(*columns[size_t(field)], rows, key);
    else
        filter.showNothing();
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
    for (const auto& connection : std::as_const(d->filter.connections))
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
    d->filter.visible.clear();
    d->filter.dropIndex();
    d->cursor = -1;
    d->bofFlag = d->eofFlag = true;
    d->backup.clear();
    d->modified = false;
    d->moreRows = false;
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
    // PostgreSQL gives unquoted names back folded to lower case; the program
    // writes its names in upper case, and so they are shown.
    const bool foldedNames = query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL;
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
            const QString given =
                foldedNames && field.name() == field.name().toLower() ? field.name().toUpper() : field.name();
            QString name = given;
            for (int n = 1; seen.contains(name.toLower()); ++n)
                name = given + QStringLiteral("_%1").arg(n);
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

void MemTable::insertRows(int position, const MemTable& source)
{
    d->requireActive();
    if (d->filter.master)
        throw AppError(QStringLiteral("Rows cannot be added to a detail table"));
    d->checkBrowseMode();
    const int count = source.d->active ? source.d->rows : 0;
    if (count == 0)
        return;
    const int at = std::clamp(position, 0, d->rows);
    std::vector<MemColumn> added;
    for (int c = 0; c < fieldCount(); ++c) {
        const FieldDef& field = d->fields.at(c);
        const int from = source.fieldIndex(field.name);
        const MemColumn* theirs = from >= 0 ? source.d->columns[size_t(from)].get() : nullptr;
        if (theirs && theirs->type == field.type && (field.size == 0 || source.d->fields.at(from).size == field.size)) {
            added.emplace_back(*theirs);
            continue;
        }
        MemColumn column(field.type);
        column.reserve(size_t(count));
        for (int r = 0; r < count; ++r) {
            QVariant value;
            if (theirs) {
                try {
                    value = convert(c, theirs->get(size_t(r)));
                } catch (const AppError&) {
                }
            }
            column.append(value);
        }
        added.push_back(std::move(column));
    }
    if (d->model)
        d->model->beginInsert(at, at + count - 1);
    for (int c = 0; c < fieldCount(); ++c) {
        const MemColumn& column = added[size_t(c)];
        if (column.type == FieldType::AutoInc)
            for (size_t r = 0; r < size_t(count); ++r)
                if (!column.isNull(r))
                    d->autoNext[size_t(c)] = std::max(d->autoNext[size_t(c)], column.ints[r] + 1);
        d->writable(c).insertFrom(size_t(at), column, size_t(count));
    }
    d->status.insert(d->status.begin() + at, size_t(count), quint8(Unchanged));
    d->rows += count;
    d->filter.invalidateIndex();
    const bool moved = d->cursor < 0 || d->cursor >= at;
    if (d->cursor >= at)
        d->cursor += count;
    else if (d->cursor < 0)
        d->cursor = 0;
    d->bofFlag = d->eofFlag = false;
    if (d->model)
        d->model->endInsert();
    for (int r = 0; r < count; ++r)
        emit rowInserted(at + r);
    // Rows added below the cursor leave it where it is: a view scrolled to
    // the end for the next packet stays there.
    if (moved)
        d->emitCurrent();
}

void MemTable::replaceRow(int position, const MemTable& source)
{
    d->requireActive();
    if (position < 0 || position >= d->count() || source.recNo() < 0)
        return;
    if (position == d->cursor && d->state == Insert)
        return; // a row being entered holds nothing loaded to replace
    if (position == d->cursor && d->state == Edit)
        cancel();
    const int phys = d->physical(position);
    for (int c = 0; c < fieldCount(); ++c) {
        const int from = source.fieldIndex(d->fields.at(c).name);
        QVariant value;
        if (from >= 0) {
            try {
                value = convert(c, source.value(from));
            } catch (const AppError&) {
            }
        }
        if (d->columns[size_t(c)]->get(size_t(phys)) != value)
            d->writable(c).set(size_t(phys), value);
    }
    d->filter.invalidateIndex();
    d->emitRowChanged(position);
}

void MemTable::setPacketReader(std::function<void()> reader)
{
    d->packetReader = std::move(reader);
}

void MemTable::setMoreRows(bool more)
{
    d->moreRows = more;
}

bool MemTable::canFetchMore() const
{
    return d->active && d->moreRows && d->packetReader;
}

void MemTable::fetchMore()
{
    if (!canFetchMore())
        return;
    // The reader says again that more wait; one that fails is not asked
    // again and again by the view.
    d->moreRows = false;
    d->packetReader();
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

QVariant MemTable::convert(int field, const QVariant& value) const
{
    if (field < 0 || field >= fieldCount())
        throw AppError(QStringLiteral("Field number %1 not found").arg(field));
    return FieldValues::convert(d->fields.at(field), value);
}

QString MemTable::displayText(const QString& field) const
{
    return displayTextAt(d->cursor, d->requireField(field));
}

QString MemTable::displayTextAt(int position, int field) const
{
    if (!d->active || position < 0 || position >= d->count() || field < 0 || field >= fieldCount())
        return {};
    return FieldValues::displayText(*d->columns[size_t(field)], size_t(d->physical(position)));
}

QString MemTable::editTextAt(int position, int field) const
{
    if (field >= 0 && field < fieldCount() && d->fields.at(field).type == FieldType::Float) {
        const QVariant raw = valueAt(position, field);
        return raw.isNull() ? QString() : QString::number(raw.toDouble(), 'g', 15);
    }
    return displayTextAt(position, field);
}

void MemTable::setMasterLink(MemTable* master, const QString& masterField, const QString& detailField)
{
    for (const auto& connection : std::as_const(d->filter.connections))
        disconnect(connection);
    d->filter.connections.clear();
    if (master == this)
        throw AppError(QStringLiteral("A table cannot be its own master"));
    d->filter.master = master;
    d->filter.masterField = masterField;
    d->filter.detailField = detailField;
    d->filter.invalidateIndex();
    if (master) {
        auto follow = [this] { d->followMaster(); };
        d->filter.connections << connect(master, &MemTable::currentChanged, this, follow)
                             << connect(master, &MemTable::rowsReset, this, follow)
                             << connect(master, &MemTable::rowChanged, this,
                                        [this](int position) {
                                            // Typing into other fields of the master row
                                            // must not rebuild the view each keystroke.
                                            const MemTable* master = d->filter.master;
                                            if (master && position == master->recNo()
                                                && master->value(d->filter.masterField) != d->filter.followedKey)
                                                d->followMaster();
                                        })
                             << connect(master, &QObject::destroyed, this, [this] { clearMasterLink(); });
    }
    if (d->active) {
        d->followMaster();
    } else {
        d->filter.filtered = false;
    }
}

void MemTable::clearMasterLink()
{
    setMasterLink(nullptr, QString(), QString());
}

MemTable* MemTable::masterTable() const
{
    return d->filter.master;
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
