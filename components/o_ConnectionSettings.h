#pragma once

#include <QString>

class DbConnection;
class TqvOptionsManager;

// The connection values of options.ini and how they open a connection.
struct ConnectionSettings
{
    int kind = -1;         // DatabaseType: 0 SQLite file, 1 SQL Server, 2 PostgreSQL
    QString dataBasePath;  // kind 0, as written in the options
    QString serverName;    // kinds 1 and 2
    QString dataBaseName;
    QString userName;      // empty on a team server: each person signs in with their own login
    QString password;
    QString sslMode;       // kind 2: libpq's sslmode (empty: libpq's default)
    QString sslRootCert;   // kind 2: the CA certificate file, relative to the options file's folder
    QString baseFolder;    // kind 0: where a relative path is taken from; empty: the program's options folder

    // Reads the values of the configured kind only (the others stay empty).
    static ConnectionSettings read(const TqvOptionsManager& options);
    // Points options at the file and reads it; a relative SQLite path is then
    // taken from the file's folder. AppError when the file does not exist.
    static ConnectionSettings readFile(TqvOptionsManager& options, const QString& optionsFile);

    // Whether the server checks each person's own login (kind 2 with no
    // login named in the options): the sign-in opens the connection.
    bool personalLogins() const;
    // The same settings with a person's login.
    ConnectionSettings withLogin(const QString& user, const QString& secret) const;
    // The CA certificate file, relative to the options file's folder.
    QString resolvedSslRootCert() const;

    // The SQLite file: '\' turned into '/', relative to the options file's folder.
    QString resolvedDataBasePath() const;
    // The ODBC string of kind 1 (SQL Server through FreeTDS).
    QString odbcConnectionString() const;

    // Opens the connection; throws with the driver's message, or tells the
    // user to run the settings when no kind is configured.
    // A login timeout above 0 makes a server that never answers fail after
    // that many seconds with the driver's message.
    void open(DbConnection& connection, int loginTimeoutSeconds = 0) const;
};
