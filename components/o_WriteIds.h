#pragma once

#include <QString>

#include <optional>

class DbConnection;

// The unique IDs of the writes sent from a journal. The server keeps each in
// APPLIED_WRITES, written in the same transaction as the write itself, so a
// write sent again after its answer was lost finds its ID and changes
// nothing. A database made before the table existed works on without it
// (hourwright-db upgrade adds it).
namespace WriteIds {

// The table's name, as the schema's list of later additions names it.
QString tableName();
// Whether the database has the table, without a statement that could fail
// (it may be asked inside a transaction).
bool hasTable(DbConnection& connection);
// Makes the table inside the caller's transaction (Schema::additions()).
void createTable(DbConnection& connection);

// Whether the connection's database has the table; looked up once for each
// time the connection is opened.
bool available(DbConnection& connection);

// The interval a write made or changed, when it was applied already (inside
// the write's transaction, under its lock).
std::optional<int> applied(DbConnection& connection, const QString& writeId);
void record(DbConnection& connection, const QString& writeId, int workId);

// A new unique ID for a write.
QString newId();

} // namespace WriteIds
