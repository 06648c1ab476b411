#include "toolkit/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString s_override;

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

QString AppPaths::resolve(const QString& optionPath)
{
    return resolve(optionPath, applicationFolder());
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
