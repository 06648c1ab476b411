#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class QAbstractTableModel;
class QSqlQuery;

enum class FieldType { Integer, Float, Text, Date, DateTime, Boolean, AutoInc };

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // text width; a longer text is cut to it when stored (0: no limit)
};

// A table held in memory: field definitions, rows, a cursor and the states
// browse, edit and insert. The working copies of the maintenance windows, the
// main window's work rows, the report's criteria record and the query
// builder's configuration are such tables.
//
// Editing follows the data-set rules the windows rely on: moving the cursor
// or starting a new row posts a pending change; a new row in which nothing
// was entered is dropped when the cursor leaves it; setting a value in browse
// state starts editing the current row, or a new row when there is none.
class MemTable : public QObject
{
    Q_OBJECT
public:
    enum State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)
    // Change tracking since the last load (or resetChangeTracking()).
    enum RowStatus { Unchanged, Modified, Inserted };
    Q_ENUM(RowStatus)

    explicit MemTable(QObject* parent = nullptr);
    ~MemTable() override;

    // Structure; fields are defined before open() (or by a load).
    void addField(const QString& name, FieldType type, int size = 0);
    int fieldCount() const;
    const FieldDef& fieldDef(int index) const;
    int fieldIndex(const QString& name) const; // without regard to case; -1 when absent
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    QStringList fieldNames() const;

    virtual void open(); // an empty table with its fields; nothing when already open
    virtual void close(); // drops every row; state Inactive
    bool isActive() const;

    // The data provider: a complete copy of the source's rows (and of its
    // field definitions when this table has none). Leaves the cursor on the
    // first row and change tracking reset.
    void loadFrom(const MemTable& source);
    // Copies every row of an executed query, with the driver's field types.
    void loadFromQuery(QSqlQuery& query);
    // Adds the source's rows (fields matched by name, as loadFrom does) at
    // position, or at the end when position is past it, as rows that were
    // loaded: the cursor stays on its row and views see rows inserted. A
    // pending edit is posted first. Not for a detail table.
    void insertRows(int position, const MemTable& source);
    // The row at position takes the values of the source's current row, as
    // loaded values, not as an edit; a pending edit of that row is dropped.
    // A new row still being entered is left as it is.
    void replaceRow(int position, const MemTable& source);

    // Rows read in packets: while more wait (setMoreRows), a view that
    // reaches the last row calls fetchMore(), which runs the reader; the
    // reader adds the next packet (insertRows) and says whether more wait;
    // until it says so, none do (a reader that throws is not asked again).
    void setPacketReader(std::function<void()> reader);
    void setMoreRows(bool more);
    bool canFetchMore() const;
    void fetchMore();

    // Cursor over the visible rows (a detail filter hides the others).
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 0-based; -1 when there is no row
    bool setRecNo(int position);
    void first();
    void last();
    void next();
    void prior();
    bool bof() const;
    bool eof() const;

    // Values of the current row; a null value is a null QVariant. Integers
    // read as qlonglong, floats as double, dates as QDate, date-times as
    // local QDateTime. An unknown field name throws AppError.
    QVariant value(const QString& field) const;
    QVariant value(int field) const;
    bool isNull(const QString& field) const { return value(field).isNull(); }
    // Any visible row, for views.
    QVariant valueAt(int position, int field) const;
    // Puts a browsing table into edit (or insert, when it holds no row) first.
    // A value the field cannot hold throws AppError and changes nothing.
    void setValue(const QString& field, const QVariant& value);
    void setValue(int field, const QVariant& value);
    // The value as the field would store it (typed, text cut to its width);
    // throws AppError when the field cannot hold it.
    QVariant convert(int field, const QVariant& value) const;
    // Texts as views show them: dates "yyyy-MM-dd", date-times
    // "yyyy-MM-dd HH:mm:ss", floats with up to four decimals, null as "".
    QString displayText(const QString& field) const;
    QString displayTextAt(int position, int field) const;
    // Texts for editing: like displayText, but floats at full precision.
    QString editTextAt(int position, int field) const;
    // Bulk reads without a QVariant per cell; false (out untouched) for a
    // null value or a position or field out of range. intAt reads whole
    // numbers and flags, dates as Julian days and date-times as wall-clock
    // milliseconds; realAt reads floats and whole numbers.
    bool intAt(int position, int field, qint64* out) const;
    bool realAt(int position, int field, double* out) const;
    bool isNullAt(int position, int field) const; // true out of range too

    State state() const;
    void append(); // a new row at the end
    void insert(); // a new row at the cursor
    void edit(); // on an empty table this starts a new row
    void post();
    void cancel();
    void remove(); // the current row; only in browse state, otherwise nothing
    bool isModified() const; // a value was set in the pending edit or insert
    RowStatus rowStatus() const; // of the current row
    RowStatus rowStatusAt(int position) const;
    // Rows loaded (not inserted since) and then removed, with the values they
    // had, in the order of removal. A row inserted and removed again is not here.
    QList<QVariantMap> removedRows() const;
    QVariantList removedValues(const QString& field) const;
    void resetChangeTracking();

    // Moves to the first visible row whose field equals value; false (cursor
    // unchanged) when there is none.
    bool locate(const QString& field, const QVariant& value, bool caseInsensitive = false);

    // Shows only the rows whose detailField equals masterField of the
    // master's current row, following the master's cursor.
    void setMasterLink(MemTable* master, const QString& masterField, const QString& detailField);
    void clearMasterLink();
    MemTable* masterTable() const;

    // While disabled, cursor moves are not signalled (currentChanged), so
    // bound controls and detail tables stay put; enabling signals the
    // position once. Calls nest.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // The rows as a Qt model: one column per field, one row per visible row.
    QAbstractTableModel* model();

signals:
    void stateChanged(MemTable::State state);
    void currentChanged(int position); // the cursor moved
    void rowChanged(int position); // values of a visible row changed
    void rowsReset(); // rows replaced, filtered, opened or closed
    void rowInserted(int position); // a new row appeared at position
    void rowRemoved(int position); // the row at position went away
    // Before a pending row is posted or dropped: bound controls hand over
    // text the user is still typing.
    void aboutToPost();

protected:
    struct Private;
    std::unique_ptr<Private> d;
};
