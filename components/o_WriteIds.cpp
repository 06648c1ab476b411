#include "components/o_WriteIds.h"

#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>
#include <QUuid>

namespace {

const QString SessionKey = QStringLiteral("hourwright.writeIds");

// Asked outside any transaction: on a server a failed statement would end it.
// A server that cannot answer is no proof the table is missing.
bool present(DbConnection& connection)
{
    try {
        connection.exec(QStringLiteral("select count(*) from APPLIED_WRITES where 1 = 0"));
        return true;
    } catch (const DatabaseUnavailable&) {
        throw;
    } catch (const DatabaseError&) {
        return false;
    }
}

// A write ID is a UUID, so it can go into the statement's text: a bound
// value costs a server two more round trips (prepare and deallocate) on each
// Start and Stop. Anything else read from the journal is refused.
QString literal(const QString& writeId)
{
    const QUuid id = QUuid::fromString(writeId);
    if (id.isNull())
        throw AppError(QStringLiteral("The write ID %1 is not one Hourwright made.").arg(writeId));
    return id.toString(QUuid::WithoutBraces);
}

} // namespace

QString WriteIds::tableName()
{
    return QStringLiteral("APPLIED_WRITES");
}

bool WriteIds::hasTable(DbConnection& connection)
{
    // PostgreSQL keeps the name in lower case.
    return connection.database().tables().contains(tableName(), Qt::CaseInsensitive);
}

void WriteIds::createTable(DbConnection& connection)
{
    // The same text on every kind: a key of text and a number.
    connection.exec(QStringLiteral("CREATE TABLE APPLIED_WRITES (WRITE_ID VARCHAR(36) NOT NULL PRIMARY KEY,"
                                   " WORK_ID INTEGER)"));
    connection.setSessionValue(SessionKey, true);
}

bool WriteIds::available(DbConnection& connection)
{
    const QVariant known = connection.sessionValue(SessionKey);
    if (known.isValid())
        return known.toBool();
    const bool found = present(connection);
    connection.setSessionValue(SessionKey, found);
    return found;
}

std::optional<int> WriteIds::applied(DbConnection& connection, const QString& writeId)
{
    QSqlQuery query = connection.exec(
        QStringLiteral("select WORK_ID from APPLIED_WRITES where WRITE_ID = '%1'").arg(literal(writeId)));
    if (!connection.next(query))
        return std::nullopt;
    return query.value(0).toInt();
}

void WriteIds::record(DbConnection& connection, const QString& writeId, int workId)
{
    connection.exec(QStringLiteral("insert into APPLIED_WRITES (WRITE_ID,WORK_ID) values ('%1',%2)")
                        .arg(literal(writeId))
                        .arg(workId));
}

QString WriteIds::newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}
