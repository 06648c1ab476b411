#include "support/TestDatabase.h"

#include "components/o_Schema.h"

TestDatabase::TestDatabase()
    : m_folderPath(m_folder.path())
    , m_path(m_folder.filePath(QStringLiteral("test.db")))
    , m_connection(std::make_unique<DbConnection>())
{
    m_connection->createSqlite(m_path);
    Schema::createSqlite(*m_connection);
    m_connection->close();
    m_connection->openSqlite(m_path);
}

TestDatabase::~TestDatabase()
{
    m_connection->close();
}

QVariant TestDatabase::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery query = m_connection->exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

qint64 TestDatabase::count(const QString& table)
{
    return scalar(QStringLiteral("select count(*) from %1").arg(table)).toLongLong();
}

void TestDatabase::exec(const QString& sql, const QVariantList& values)
{
    m_connection->exec(sql, values);
}

std::unique_ptr<DbConnection> TestDatabase::openAnother()
{
    auto other = std::make_unique<DbConnection>();
    other->openSqlite(m_path);
    return other;
}
