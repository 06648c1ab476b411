#include "components/o_ConnectionSettings.h"

#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"

#include <QFileInfo>

ConnectionSettings ConnectionSettings::read(const TqvOptionsManager& options)
{
    using namespace Options;
    ConnectionSettings settings;
    settings.kind = toInt(options.ReadValue(ConnectionSection, DatabaseType, -1));
    if (Dialect::isFile(settings.kind)) {
        settings.dataBasePath = options.ReadValue(ExportSection, DataBasePath, DefaultDataBasePath).toString();
    } else if (Dialect::isKnownKind(settings.kind)) {
        settings.password = options.ReadEncodedValue(ConnectionSection, Password, QString()).toString();
        settings.userName = options.ReadEncodedValue(ConnectionSection, UserName, QString()).toString();
        settings.dataBaseName = options.ReadValue(ConnectionSection, DataBaseName, QString()).toString();
        settings.serverName = options.ReadValue(ConnectionSection, ServerName, QString()).toString();
        if (settings.kind == Dialect::PostgreSql) {
            settings.sslMode = options.ReadValue(ConnectionSection, SslMode, QString()).toString().trimmed();
            settings.sslRootCert = options.ReadValue(ConnectionSection, SslRootCert, QString()).toString();
        }
    }
    return settings;
}

ConnectionSettings ConnectionSettings::readFile(TqvOptionsManager& options, const QString& optionsFile)
{
    if (!QFileInfo(optionsFile).isFile())
        throw AppError(QStringLiteral("The options file %1 does not exist").arg(optionsFile));
    options.setOptionsFileName(optionsFile);
    ConnectionSettings settings = read(options);
    settings.baseFolder = QFileInfo(optionsFile).absolutePath();
    return settings;
}

bool ConnectionSettings::personalLogins() const
{
    return Dialect::hasPersonalLogins(kind) && userName.isEmpty();
}

ConnectionSettings ConnectionSettings::withLogin(const QString& user, const QString& secret) const
{
    ConnectionSettings person = *this;
    person.userName = user;
    person.password = secret;
    return person;
}

QString ConnectionSettings::resolvedSslRootCert() const
{
    if (sslRootCert.trimmed().isEmpty())
        return {};
    return AppPaths::resolve(sslRootCert, baseFolder.isEmpty() ? AppPaths::optionsFolder() : baseFolder);
}

QString ConnectionSettings::resolvedDataBasePath() const
{
    return AppPaths::resolve(dataBasePath.isEmpty() ? Options::DefaultDataBasePath : dataBasePath,
                             baseFolder.isEmpty() ? AppPaths::optionsFolder() : baseFolder);
}

QString ConnectionSettings::odbcConnectionString() const
{
    return Dialect::odbcConnectionString(serverName, dataBaseName, userName, password);
}

void ConnectionSettings::open(DbConnection& connection, int loginTimeoutSeconds) const
{
    if (Dialect::isFile(kind)) {
        connection.openSqlite(resolvedDataBasePath());
    } else if (Dialect::isKnownKind(kind)) {
        Dialect::openServer(*this, connection, loginTimeoutSeconds);
    } else {
        throw DatabaseError(QStringLiteral(
            "No database is configured (DatabaseType is %1). Run \"hourwright -setup\" to choose one.")
                                .arg(kind));
    }
}
