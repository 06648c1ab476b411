#pragma once

#include <QString>

// Where the program's files are: the executable's folder holds options.ini,
// and relative paths in the options are taken from it.
class AppPaths
{
public:
    // The executable's folder, ending in '/'.
    static QString applicationFolder();
    // Overrides the folder (tests, which have no installed executable).
    static void setApplicationFolderForTests(const QString& folder);

    // A path from the options file: '\' separators are turned into '/',
    // and a relative path is taken from the application folder.
    static QString resolve(const QString& optionPath);
    static QString resolve(const QString& optionPath, const QString& baseFolder);
};
