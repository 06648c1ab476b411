#pragma once

// The inside of MemTable, shared with the loaders that fill it in bulk.

#include "toolkit/MemColumn.h"
#include "toolkit/MemDetailFilter.h"
#include "toolkit/MemTable.h"

#include <QHash>

#include <functional>
#include <memory>
#include <vector>

class MemTableModel;

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

    MemDetailFilter filter; // over a master's current key
    MemTableModel* model = nullptr;
    // Reads the next packet of a table filled in packets.
    std::function<void()> packetReader;
    bool moreRows = false;

    int count() const { return filter.filtered ? int(filter.visible.size()) : rows; }
    int physical(int position) const { return filter.filtered ? filter.visible[size_t(position)] : position; }
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
    bool masterKey(MemDetailFilter::Key* key) const;
    void refilter(); // recomputes the visible rows for the master's key
    void followMaster();
    void resetModelBegin();
    void resetModelEnd();
};
