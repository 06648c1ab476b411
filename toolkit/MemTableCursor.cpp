// The cursor and the editing states of MemTable: browse, edit and insert,
// moving over the visible rows, posting, cancelling and removing.
#include "toolkit/MemTable.h"

#include "toolkit/AppError.h"
#include "toolkit/MemTableModel.h"
#include "toolkit/MemTable_p.h"

#include <algorithm>

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
    if (filter.filtered && keyTouched) {
        // The row may no longer belong to the master's key.
        MemDetailFilter::Key key;
        const int field = detailFieldIndex();
        const bool stays = masterKey(&key) && MemDetailFilter::holds(*columns[size_t(field)], size_t(phys), key);
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
        model->beginInsert(position, position);
    for (size_t c = 0; c < columns.size(); ++c)
        writable(int(c)).insertNull(size_t(phys));
    status.insert(status.begin() + phys, quint8(Inserted));
    ++rows;
    filter.invalidateIndex();
    if (filter.filtered) {
        for (int& row : filter.visible)
            if (row >= phys)
                ++row;
        filter.visible.insert(filter.visible.begin() + position, phys);
        // A detail row belongs to the master's current key.
        MemDetailFilter::Key key;
        if (masterKey(&key))
            MemDetailFilter::store(writable(detailFieldIndex()), size_t(phys), key);
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
    filter.invalidateIndex();
    if (filter.filtered) {
        filter.visible.erase(filter.visible.begin() + position);
        for (int& row : filter.visible)
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
        d->filter.invalidateIndex();
        d->detailKeyTouched = true;
    }
    d->emitRowChanged(d->cursor);
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
        d->filter.invalidateIndex();
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
