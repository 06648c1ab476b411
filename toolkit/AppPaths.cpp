#include "toolkit/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString s_override;
QString s_optionsFolder;

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

QString AppPaths::applicationFolder()
{
    if (!s_override.isEmpty())
        return s_override;
    return withSlash(QCoreApplication::applicationDirPath());
}

void AppPaths::setApplicationFolderForTests(const QString& folder)
{
    s_override = folder.isEmpty() ? QString() : withSlash(folder);
}

QString AppPaths::optionsFolder()
{
    return s_optionsFolder.isEmpty() ? applicationFolder() : s_optionsFolder;
}

void AppPaths::setOptionsFolder(const QString& folder)
{
    s_optionsFolder = folder.isEmpty() ? QString() : withSlash(QDir::cleanPath(folder));
}

QString AppPaths::resolve(const QString& optionPath)
{
    return resolve(optionPath, optionsFolder());
}

QString AppPaths::resolve(const QString& optionPath, const QString& baseFolder)
{
    QString path = optionPath.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty())
        return withSlash(baseFolder);
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    return QDir::cleanPath(withSlash(baseFolder) + path);
}

QString AppPaths::userConfigFolder(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + name;
}

QString AppPaths::userDataFolder(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + name;
}

QString AppPaths::chooseOptionsFile(const QString& fileName, const QString& userFolderName)
{
    const QString beside = applicationFolder() + fileName;
    if (QFileInfo(beside).isFile())
        return beside;
    return userConfigFolder(userFolderName) + QLatin1Char('/') + fileName;
}

QString AppPaths::sharedFile(const QString& package, const QString& relativePath)
{
    const QString candidates[] = {
        applicationFolder() + relativePath,
        QDir::cleanPath(applicationFolder() + QStringLiteral("../share/") + package + QLatin1Char('/') + relativePath),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}
