#pragma once

#include "toolkit/DbConnection.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Fails the test with the driver's message when a statement fails.
#define QVERIFY_SQL(statement)                                                   \
    do {                                                                         \
        try {                                                                    \
            statement;                                                           \
        } catch (const std::exception& error) {                                  \
            QFAIL(qPrintable(QStringLiteral("SQL failed: ") + QString::fromUtf8(error.what()))); \
        }                                                                        \
    } while (false)

// A throw-away SQLite database with the program's schema in a temporary
// folder, opened on its own connection.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    const QString& path() const { return m_path; }
    const QString& folder() const { return m_folderPath; }
    DbConnection& connection() { return *m_connection; }

    // Runs a statement and returns the first column of the first row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    qint64 count(const QString& table);
    void exec(const QString& sql, const QVariantList& values = {});
    // A new connection on the same file (another client).
    std::unique_ptr<DbConnection> openAnother();

private:
    QTemporaryDir m_folder;
    QString m_folderPath;
    QString m_path;
    std::unique_ptr<DbConnection> m_connection;
};
