#include "toolkit/SqlQuery.h"

#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable_p.h"

#include <QDate>
#include <QPointer>
#include <QSet>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cmath>
#include <unordered_map>

namespace {

// Joined names repeat on every row: one pool entry per distinct text keeps
// a million rows small. Past a few thousand distinct texts a column is taken
// to be free text and new ones are no longer remembered.
class TextInterner
{
public:
    quint32 intern(const char* text, int size, MemColumn& column)
    {
        if (size == 0)
            return MemColumn::emptyText;
        const size_t hash = qHash(QByteArrayView(text, size));
        const auto it = m_buckets.find(hash);
        if (it != m_buckets.end()) {
            for (const auto& entry : it->second)
                if (entry.first.size() == size && std::memcmp(entry.first.constData(), text, size_t(size)) == 0)
                    return entry.second;
        }
        const quint32 id = column.addText(QString::fromUtf8(text, size));
        if (m_entries < maxEntries) {
            m_buckets[hash].emplace_back(QByteArray(text, size), id);
            ++m_entries;
        }
        return id;
    }

private:
    static constexpr int maxEntries = 4096;
    std::unordered_map<size_t, std::vector<std::pair<QByteArray, quint32>>> m_buckets;
    int m_entries = 0;
};

bool digits(const char* text, int count, int* value)
{
    int result = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

// "yyyy-MM-dd" at the start of text; the Julian day.
bool parseDay(const char* text, int size, qint64* julianDay)
{
    int year = 0, month = 0, day = 0;
    if (size < 10 || text[4] != '-' || text[7] != '-' || !digits(text, 4, &year) || !digits(text + 5, 2, &month)
        || !digits(text + 8, 2, &day))
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    *julianDay = date.toJulianDay();
    return true;
}

// "yyyy-MM-dd HH:mm[:ss[.zzz]]" (or with 'T'), as the program stores
// date-times; local wall-clock milliseconds.
bool parseMoment(const char* text, int size, qint64* wallClock)
{
    qint64 day = 0;
    if (!parseDay(text, size, &day))
        return false;
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (size == 10) {
        *wallClock = day * 86400000;
        return true;
    }
    if (size < 16 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || !digits(text + 11, 2, &hour)
        || !digits(text + 14, 2, &minute))
        return false;
    int at = 16;
    if (size > at) {
        if (text[at] != ':' || size < at + 3 || !digits(text + at + 1, 2, &second))
            return false;
        at += 3;
        if (size > at) {
            if (text[at] != '.')
                return false;
            int fraction = 0, count = 0;
            for (++at; at < size && count < 3; ++at, ++count) {
                const char c = text[at];
                if (c < '0' || c > '9')
                    return false;
                fraction = fraction * 10 + (c - '0');
            }
            while (count++ < 3)
                fraction *= 10;
            for (; at < size; ++at) // finer digits than milliseconds
                if (text[at] < '0' || text[at] > '9')
                    return false;
            msec = fraction;
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    *wallClock = day * 86400000 + ((hour * 60 + minute) * 60 + second) * 1000 + msec;
    return true;
}

qint64 dayCountToWallClock(double days)
{
    const double whole = std::floor(days);
    const qint64 julian = QDate(1899, 12, 30).toJulianDay() + qint64(whole);
    return julian * 86400000 + qRound64((days - whole) * 86400000.0);
}

FieldType typeFromDeclaration(const char* declared)
{
    const QByteArray type = QByteArray(declared).toUpper();
    if (type.contains("DATETIME") || type.contains("TIMESTAMP"))
        return FieldType::DateTime;
    if (type.startsWith("DATE"))
        return FieldType::Date;
    if (type.contains("INT"))
        return FieldType::Integer;
    if (type.contains("REAL") || type.contains("FLOA") || type.contains("DOUB") || type.contains("NUMERIC")
        || type.contains("DECIMAL"))
        return FieldType::Float;
    if (type.contains("BOOL"))
        return FieldType::Boolean;
    return FieldType::Text;
}

FieldType typeFromValue(int sqliteType)
{
    switch (sqliteType) {
    case SQLITE_INTEGER:
        return FieldType::Integer;
    case SQLITE_FLOAT:
        return FieldType::Float;
    default:
        return FieldType::Text;
    }
}

struct StatementGuard
{
    sqlite3_stmt* statement = nullptr;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

sqlite3* sqliteHandle(const DbConnection& connection)
{
    if (!connection.isSqlite())
        return nullptr;
    const QVariant handle = connection.database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// One result column being read: its type is known from the declaration, or
// from its first non-null value for an expression.
struct ColumnReader
{
    bool typed = false;
    MemColumnPtr column;
    int pendingNulls = 0; // rows read before an expression's type was known
    TextInterner texts;

    void read(sqlite3_stmt* statement, int index)
    {
        const int valueType = sqlite3_column_type(statement, index);
        if (!typed) {
            if (valueType == SQLITE_NULL) {
                ++pendingNulls;
                return;
            }
            column = std::make_shared<MemColumn>(typeFromValue(valueType));
            typed = true;
            for (; pendingNulls > 0; --pendingNulls)
                column->appendNull();
        }
        MemColumn& target = *column;
        if (valueType == SQLITE_NULL) {
            target.appendNull();
            return;
        }
        switch (target.type) {
        case FieldType::Integer:
        case FieldType::AutoInc:
        case FieldType::Boolean:
            if (valueType == SQLITE_INTEGER) {
                const qint64 number = sqlite3_column_int64(statement, index);
                target.appendInt(target.type == FieldType::Boolean ? (number != 0) : number);
            } else if (valueType == SQLITE_FLOAT) {
                const double real = sqlite3_column_double(statement, index);
                target.appendInt(target.type == FieldType::Boolean ? (real != 0) : qRound64(real));
            } else {
                appendConverted(statement, index);
            }
            break;
        case FieldType::Float:
            if (valueType == SQLITE_INTEGER || valueType == SQLITE_FLOAT)
                target.appendReal(sqlite3_column_double(statement, index));
            else
                appendConverted(statement, index);
            break;
        case FieldType::Text: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
            const int size = sqlite3_column_bytes(statement, index);
            target.appendTextId(text ? texts.intern(text, size, target) : MemColumn::emptyText);
            break;
        }
        case FieldType::Date:
        case FieldType::DateTime: {
            if (valueType == SQLITE_INTEGER || valueType == SQLITE_FLOAT) {
                const qint64 moment = dayCountToWallClock(sqlite3_column_double(statement, index));
                target.appendInt(target.type == FieldType::Date ? qint64(std::floor(double(moment) / 86400000.0))
                                                                : moment);
                break;
            }
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
            const int size = sqlite3_column_bytes(statement, index);
            qint64 parsed = 0;
            if (target.type == FieldType::Date ? parseDay(text, size, &parsed) : parseMoment(text, size, &parsed))
                target.appendInt(parsed);
            else
                appendConverted(statement, index);
            break;
        }
        }
    }

    // Texts in a typed column that are not in the program's own format.
    void appendConverted(sqlite3_stmt* statement, int index)
    {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        const QString value = QString::fromUtf8(text, sqlite3_column_bytes(statement, index));
        MemTable probe;
        probe.addField(QStringLiteral("V"), column->type);
        QVariant converted;
        try {
            converted = probe.convert(0, value);
        } catch (const AppError&) {
            // Not a value of the declared type: SQLite does not enforce
            // types, and a copy must not fail on one odd cell.
        }
        column->append(converted);
    }
};

} // namespace

struct SqlQuery::QueryPrivate
{
    QPointer<DbConnection> connection;
    QString sql;
    bool native = true;
};

SqlQuery::SqlQuery(QObject* parent)
    : SqlQuery(nullptr, QString(), parent)
{
}

SqlQuery::SqlQuery(DbConnection* connection, const QString& sql, QObject* parent)
    : MemTable(parent)
    , q(std::make_unique<QueryPrivate>())
{
    q->connection = connection;
    q->sql = sql;
}

SqlQuery::~SqlQuery() = default;

void SqlQuery::setConnection(DbConnection* connection)
{
    q->connection = connection;
}

DbConnection* SqlQuery::connection() const
{
    return q->connection;
}

void SqlQuery::setSql(const QString& sql)
{
    close();
    q->sql = sql;
}

const QString& SqlQuery::sql() const
{
    return q->sql;
}

void SqlQuery::setNativeReading(bool on)
{
    q->native = on;
}

bool SqlQuery::nativeReading() const
{
    return q->native;
}

void SqlQuery::open()
{
    if (isActive())
        return;
    // A lost connection is the connection's to open again, or to say why not.
    if (!q->connection || (!q->connection->isOpen() && !q->connection->isLost()))
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    // Field definitions come from the statement each time it is opened.
    d->setFields({});

    sqlite3* handle = q->native ? sqliteHandle(*q->connection) : nullptr;
    if (!handle) {
        QSqlQuery query = q->connection->exec(q->sql);
        loadFromQuery(query);
        return;
    }

    const QByteArray text = q->sql.toUtf8();
    StatementGuard guard;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &guard.statement, nullptr) != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
    if (!guard.statement) // nothing but blanks or comments
        throw DatabaseError(QStringLiteral("The statement is empty"));

    const int columnCount = sqlite3_column_count(guard.statement);
    QList<FieldDef> fields;
    std::vector<ColumnReader> readers(static_cast<size_t>(columnCount));
    QSet<QString> seen;
    for (int i = 0; i < columnCount; ++i) {
        const QString baseName = QString::fromUtf8(sqlite3_column_name(guard.statement, i));
        QString name = baseName;
        for (int n = 1; seen.contains(name.toLower()); ++n)
            name = baseName + QStringLiteral("_%1").arg(n);
        seen.insert(name.toLower());
        fields.append(FieldDef{name, FieldType::Text, 0});
        if (const char* declared = sqlite3_column_decltype(guard.statement, i)) {
            readers[size_t(i)].typed = true;
            readers[size_t(i)].column = std::make_shared<MemColumn>(typeFromDeclaration(declared));
            readers[size_t(i)].column->reserve(1024);
        }
    }

    int rows = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(guard.statement)) == SQLITE_ROW) {
        for (int i = 0; i < columnCount; ++i)
            readers[size_t(i)].read(guard.statement, i);
        ++rows;
    }
    if (rc != SQLITE_DONE)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));

    std::vector<MemColumnPtr> columns;
    for (int i = 0; i < columnCount; ++i) {
        ColumnReader& reader = readers[size_t(i)];
        if (!reader.typed) { // only nulls: an expression of unknown type
            reader.column = std::make_shared<MemColumn>(FieldType::Text);
            for (int r = 0; r < rows; ++r)
                reader.column->appendNull();
        }
        fields[i].type = reader.column->type;
        reader.column->nulls.shrink_to_fit();
        reader.column->ints.shrink_to_fit();
        reader.column->reals.shrink_to_fit();
        reader.column->textIds.shrink_to_fit();
        reader.column->pool.shrink_to_fit();
        columns.push_back(reader.column);
    }
    d->setFields(fields);
    d->adopt(std::move(columns), rows);
}

void SqlQuery::close()
{
    MemTable::close();
}
