#pragma once

#include "toolkit/MemTable.h"

class DbConnection;

// A statement's rows, read into memory when opened. The rows can be browsed
// like any table; the query itself never writes to the database.
class SqlQuery : public MemTable
{
    Q_OBJECT
public:
    explicit SqlQuery(QObject* parent = nullptr);
    explicit SqlQuery(DbConnection* connection, const QString& sql = QString(), QObject* parent = nullptr);
    ~SqlQuery() override;

    void setConnection(DbConnection* connection);
    DbConnection* connection() const;
    void setSql(const QString& sql); // closes an open query first
    const QString& sql() const;

    // Runs the statement and loads its rows; throws DatabaseError with the
    // driver's text. Field types come from the declared column types.
    void open() override;
    void close() override;

    // On SQLite the rows are read straight from the driver's handle, which
    // is much faster; off, they go through QSqlQuery as with other drivers.
    void setNativeReading(bool on);
    bool nativeReading() const;

private:
    struct QueryPrivate;
    std::unique_ptr<QueryPrivate> q;
};
