#pragma once

#include "components/o_ConnectionSettings.h"
#include "toolkit/DbConnection.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TqvOptionsManager;

// Fails the test with the driver's message when a statement fails.
#define QVERIFY_SQL(statement)                                                   \
    do {                                                                         \
        try {                                                                    \
            statement;                                                           \
        } catch (const std::exception& error) {                                  \
            QFAIL(qPrintable(QStringLiteral("SQL failed: ") + QString::fromUtf8(error.what()))); \
        }                                                                        \
    } while (false)

// Skips a test that only holds for the embedded file (its path, its locks).
#define SKIP_ON_SERVER()                                                         \
    do {                                                                         \
        if (TestDatabase::onServer())                                            \
            QSKIP("only the embedded database file has this");                   \
    } while (false)

// Skips a test that is about the server kind, in the run on the file.
#define SKIP_ON_FILE()                                                           \
    do {                                                                         \
        if (!TestDatabase::onServer())                                           \
            QSKIP("the run on the server has this");                             \
    } while (false)

// A throw-away database with the program's schema, opened on its own
// connection, beside a temporary folder for the test's files.
//
// By default it is an SQLite file in that folder. With
// HW_TEST_DATABASE_KIND=2 it is a database of its own on the PostgreSQL
// test server that HW_TEST_PG_SERVER, _DATABASE, _USER and _PASSWORD name
// (tests/support/pg-test-server.sh starts one), emptied and given the schema
// anew for each test.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    // The test server's login for one of its databases (HW_TEST_PG_*);
    // throws when no server is named.
    static ConnectionSettings serverSettings(const QString& dataBaseName);
    // The test server's superuser (HW_TEST_PG_ADMIN_USER, by default
    // hw_admin) through its Unix socket in HW_TEST_PG_DIR; throws when no
    // socket folder is named.
    static ConnectionSettings adminSettings(const QString& dataBaseName);

    // From here on connection() and the options are the superuser's.
    void useSuperuser();
    // Turns this server database into one login per person, as
    // hourwright-db upgrade does: each user becomes the login login(name),
    // with the password its row held in plain text. The options then name
    // no login, and connection() is the superuser's.
    void usePersonalLogins();
    // The login of a user in this database: role names are shared by every
    // database of the server, so they carry the database's name.
    QString login(const QString& user) const;
    // A connection with a person's own login.
    std::unique_ptr<DbConnection> openAs(const QString& user, const QString& password);

    // The kind every TestDatabase of this run has (0 or 2).
    static int kind();
    static bool onServer() { return kind() != 0; }

    // The SQLite file (empty on a server).
    const QString& path() const { return m_path; }
    const QString& folder() const { return m_folderPath; }
    DbConnection& connection() { return *m_connection; }
    // How the program reaches this database, as its options would say.
    const ConnectionSettings& settings() const { return m_settings; }
    // Writes those options: DatabaseType and the file or the server values.
    void writeOptions(TqvOptionsManager& options) const;

    // A value as the embedded file stores it: date-times as
    // "yyyy-MM-dd HH:mm:ss.zzz" and dates as "yyyy-MM-dd" text, so that a
    // test compares the same on every kind. Other values are left alone.
    static QVariant asStored(const QVariant& value);

    // Runs a statement and returns the first column of the first row, as
    // asStored gives it.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    static QVariant scalarOf(DbConnection& connection, const QString& sql, const QVariantList& values = {});
    qint64 count(const QString& table);
    void exec(const QString& sql, const QVariantList& values = {});
    // Makes every `event` ("insert", "update" or "delete") on table fail
    // with message, or only where condition (on NEW or OLD) holds; lifted
    // again by allowWrites. One refusal at a time.
    void refuseWrites(const QString& event, const QString& table, const QString& message,
                      const QString& condition = QString());
    void allowWrites();

    // A new connection on the same database (another client).
    std::unique_ptr<DbConnection> openAnother();

private:
    QTemporaryDir m_folder;
    QString m_folderPath;
    QString m_path;
    ConnectionSettings m_settings;
    int m_slot = -1;
    QString m_refusedTable;
    std::unique_ptr<DbConnection> m_connection;
};
