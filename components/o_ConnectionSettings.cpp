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
        Dialect::openServer(kind, connection, serverName, dataBaseName, userName, password, loginTimeoutSeconds);
    } else {
        throw DatabaseError(QStringLiteral(
            "No database is configured (DatabaseType is %1). Run \"hourwright -setup\" to choose one.")
                                .arg(kind));
    }
}
