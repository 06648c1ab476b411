#include "support/TestDatabase.h"

#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "components/o_ServerLogins.h"
#include "components/o_TeamServer.h"
#include "toolkit/AppError.h"

#include <QCoreApplication>

namespace {

// Databases of this process on the server, by slot; a slot is free again
// when its TestDatabase is gone.
QList<bool>& slotsInUse()
{
    static QList<bool> inUse;
    return inUse;
}

} // namespace

ConnectionSettings TestDatabase::serverSettings(const QString& dataBaseName)
{
    ConnectionSettings settings;
    settings.kind = Dialect::PostgreSql;
    settings.serverName = qEnvironmentVariable("HW_TEST_PG_SERVER");
    settings.dataBaseName = dataBaseName;
    settings.userName = qEnvironmentVariable("HW_TEST_PG_USER");
    settings.password = qEnvironmentVariable("HW_TEST_PG_PASSWORD");
    if (settings.serverName.isEmpty())
        throw AppError(QStringLiteral("HW_TEST_DATABASE_KIND=2 needs the PostgreSQL test server's HW_TEST_PG_* "
                                      "variables (tests/support/pg-test-server.sh start DIR prints them)"));
    return settings;
}

ConnectionSettings TestDatabase::adminSettings(const QString& dataBaseName)
{
    const QString folder = qEnvironmentVariable("HW_TEST_PG_DIR");
    if (folder.isEmpty())
        throw AppError(QStringLiteral("the test server's superuser needs HW_TEST_PG_DIR, its socket folder "
                                      "(tests/support/pg-test-server.sh start DIR prints it)"));
    ConnectionSettings settings = serverSettings(dataBaseName);
    const QString server = settings.serverName;
    settings.serverName = folder + server.mid(server.lastIndexOf(QLatin1Char(':')));
    settings.userName = qEnvironmentVariable("HW_TEST_PG_ADMIN_USER", QStringLiteral("hw_admin"));
    settings.password.clear();
    return settings;
}

namespace {

// A database of the server whose people were logins gets rid of them with
// it: their role names would stand in the way of the next test's.
void dropWithLogins(const QString& dataBaseName)
{
    DbConnection admin;
    TestDatabase::adminSettings(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(admin);
    admin.exec(QStringLiteral("drop database if exists %1 with (force)").arg(dataBaseName));
    QStringList roles;
    QSqlQuery found = admin.exec(QStringLiteral("select rolname from pg_roles where starts_with(rolname, ?)"),
                                 {dataBaseName + QLatin1Char('_')});
    while (found.next())
        roles << TeamServer::identifier(found.value(0).toString());
    found.finish();
    if (!roles.isEmpty())
        admin.exec(QStringLiteral("drop role ") + roles.join(QLatin1Char(',')));
}

// The same for whatever test used the database's name before, when the
// superuser is at hand.
void dropLoginsIfAny(const QString& dataBaseName)
{
    if (qEnvironmentVariableIsEmpty("HW_TEST_PG_DIR"))
        return;
    DbConnection admin;
    TestDatabase::adminSettings(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(admin);
    if (TestDatabase::scalarOf(admin, QStringLiteral("select count(*) from pg_roles where starts_with(rolname, ?)"),
                               {dataBaseName + QLatin1Char('_')})
            .toInt()
        > 0)
        dropWithLogins(dataBaseName);
}

// Makes the slot's database if it is not there yet and gives it an empty
// schema: whatever an earlier test left or dropped is gone.
void prepareServerDatabase(const ConnectionSettings& settings)
{
    dropLoginsIfAny(settings.dataBaseName);
    {
        DbConnection maintenance;
        TestDatabase::serverSettings(qEnvironmentVariable("HW_TEST_PG_DATABASE")).open(maintenance);
        QSqlQuery found = maintenance.exec(QStringLiteral("select count(*) from pg_database where datname = ?"),
                                           {settings.dataBaseName});
        if (found.next() && found.value(0).toInt() == 0)
            maintenance.exec(QStringLiteral("create database %1").arg(settings.dataBaseName));
    }
    DbConnection connection;
    settings.open(connection);
    connection.exec(QStringLiteral("set client_min_messages to warning"));
    connection.exec(QStringLiteral("drop schema public cascade"));
    connection.exec(QStringLiteral("create schema public"));
    Schema::create(connection, Schema::postgresScript());
}

} // namespace

int TestDatabase::kind()
{
    static const int kind = qEnvironmentVariableIntValue("HW_TEST_DATABASE_KIND");
    return kind;
}

TestDatabase::TestDatabase()
    : m_folderPath(m_folder.path())
    , m_connection(std::make_unique<DbConnection>())
{
    if (!onServer()) {
        m_path = m_folder.filePath(QStringLiteral("test.db"));
        m_settings.kind = Dialect::LocalFile;
        m_settings.dataBasePath = m_path;
        m_connection->createSqlite(m_path);
        Schema::createSqlite(*m_connection);
        m_connection->close();
        m_connection->openSqlite(m_path);
        return;
    }
    QList<bool>& inUse = slotsInUse();
    m_slot = int(inUse.indexOf(false));
    if (m_slot < 0) {
        m_slot = int(inUse.size());
        inUse.append(true);
    }
    inUse[m_slot] = true;
    m_settings = serverSettings(
        QStringLiteral("hw_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(m_slot));
    prepareServerDatabase(m_settings);
    m_settings.open(*m_connection);
}

TestDatabase::~TestDatabase()
{
    m_connection->close();
    if (onServer()) {
        try {
            dropLoginsIfAny(m_settings.dataBaseName);
        } catch (const std::exception& error) {
            qWarning("the test database's logins were left: %s", error.what());
        }
    }
    if (m_slot >= 0)
        slotsInUse()[m_slot] = false;
}

QString TestDatabase::login(const QString& user) const
{
    return m_settings.dataBaseName + QLatin1Char('_') + user;
}

void TestDatabase::usePersonalLogins()
{
    QMap<QString, QString> passwords;
    {
        QSqlQuery users = m_connection->exec(QStringLiteral("select USERNAME, PASSWORD from USERS"));
        while (users.next())
            passwords.insert(login(users.value(0).toString()), users.value(1).toString());
    }
    exec(QStringLiteral("update USERS set USERNAME = ? || USERNAME"), {m_settings.dataBaseName + QLatin1Char('_')});
    const ConnectionSettings desktop = m_settings;
    useSuperuser();
    TeamServer::upgrade(*m_connection);
    for (auto it = passwords.cbegin(); it != passwords.cend(); ++it)
        if (!it.value().isEmpty())
            ServerLogins::setPassword(*m_connection, it.key(), it.value());
    m_settings = desktop.withLogin(QString(), QString());
}

void TestDatabase::useSuperuser()
{
    m_connection->close();
    m_settings = adminSettings(m_settings.dataBaseName);
    m_settings.open(*m_connection);
}

std::unique_ptr<DbConnection> TestDatabase::openAs(const QString& user, const QString& password)
{
    auto person = std::make_unique<DbConnection>();
    m_settings.withLogin(user, password).open(*person);
    return person;
}

QVariant TestDatabase::scalarOf(DbConnection& connection, const QString& sql, const QVariantList& values)
{
    QSqlQuery query = connection.exec(sql, values);
    return query.next() ? asStored(query.value(0)) : QVariant();
}

void TestDatabase::writeOptions(TqvOptionsManager& options) const
{
    using namespace Options;
    options.WriteValue(ConnectionSection, DatabaseType, m_settings.kind);
    if (!onServer()) {
        options.WriteValue(ExportSection, DataBasePath, QStringLiteral("test.db"));
        return;
    }
    options.WriteValue(ConnectionSection, ServerName, m_settings.serverName);
    options.WriteValue(ConnectionSection, DataBaseName, m_settings.dataBaseName);
    // A team server's desktop names no login: each person signs in with their own.
    options.WriteEncodedValue(ConnectionSection, UserName, m_settings.userName);
    options.WriteEncodedValue(ConnectionSection, Password, m_settings.password);
}

QVariant TestDatabase::asStored(const QVariant& value)
{
    if (value.isNull())
        return value;
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(DbConnection::dateTimeStorageFormat());
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(DbConnection::dateStorageFormat());
    return value;
}

QVariant TestDatabase::scalar(const QString& sql, const QVariantList& values)
{
    return scalarOf(*m_connection, sql, values);
}

qint64 TestDatabase::count(const QString& table)
{
    return scalar(QStringLiteral("select count(*) from %1").arg(table)).toLongLong();
}

void TestDatabase::exec(const QString& sql, const QVariantList& values)
{
    m_connection->exec(sql, values);
}

void TestDatabase::refuseWrites(const QString& event, const QString& table, const QString& message,
                                const QString& condition)
{
    m_refusedTable = table;
    QString quoted = message;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    if (!onServer()) {
        exec(QStringLiteral("create trigger refuse before %1 on %2 %3 begin select raise(abort, '%4'); end")
                 .arg(event, table, condition.isEmpty() ? QString() : QStringLiteral("when ") + condition, quoted));
        return;
    }
    exec(QStringLiteral("create or replace function refuse() returns trigger language plpgsql as "
                        "$$ begin raise exception '%1'; end $$")
             .arg(quoted));
    exec(QStringLiteral("create trigger refuse before %1 on %2 for each row %3 execute function refuse()")
             .arg(event, table, condition.isEmpty() ? QString() : QStringLiteral("when (%1)").arg(condition)));
}

void TestDatabase::allowWrites()
{
    exec(onServer() ? QStringLiteral("drop trigger refuse on %1").arg(m_refusedTable)
                    : QStringLiteral("drop trigger refuse"));
}

std::unique_ptr<DbConnection> TestDatabase::openAnother()
{
    auto other = std::make_unique<DbConnection>();
    m_settings.open(*other);
    return other;
}
