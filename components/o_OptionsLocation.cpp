#include "components/o_OptionsLocation.h"

#include "components/o_OptionsManager.h"
#include "toolkit/AppPaths.h"

#include <QFileInfo>

QString OptionsLocation::chosen()
{
    return AppPaths::chooseOptionsFile(fileName(), userFolderName());
}

bool OptionsLocation::anyExists()
{
    return QFileInfo(chosen()).isFile();
}

QString OptionsLocation::userOptionsFile()
{
    return AppPaths::userConfigFolder(userFolderName()) + QLatin1Char('/') + fileName();
}

QString OptionsLocation::userDatabaseFile()
{
    return AppPaths::userDataFolder(userFolderName()) + QStringLiteral("/hwr.db");
}

QString OptionsLocation::workbookTemplate()
{
    return AppPaths::sharedFile(QStringLiteral("hourwright"), QStringLiteral("Reports/Hourwright.xlsx"));
}

void OptionsLocation::useForProgram(const QString& path)
{
    GetOptionsManager()->setOptionsFileName(path);
    AppPaths::setOptionsFolder(QFileInfo(path).absolutePath());
}
