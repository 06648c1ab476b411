#pragma once

#include <QString>

// Where the program's files are. A portable run keeps its options file beside
// the executable; an installed one keeps it in the per-user config folder and
// finds its shared files under ../share/<package>/. Relative paths in an
// options file are taken from the folder of that file.
class AppPaths
{
public:
    // The executable's folder, ending in '/'.
    static QString applicationFolder();
    // Overrides the folder (tests, which have no installed executable).
    static void setApplicationFolderForTests(const QString& folder);

    // The folder relative option paths are taken from, ending in '/': that of
    // the options file in use, or the application folder while none is set.
    static QString optionsFolder();
    static void setOptionsFolder(const QString& folder);

    // A path from the options file: '\' separators are turned into '/',
    // and a relative path is taken from the options folder.
    static QString resolve(const QString& optionPath);
    static QString resolve(const QString& optionPath, const QString& baseFolder);

    // $XDG_CONFIG_HOME/<name> and $XDG_DATA_HOME/<name> (or their defaults
    // under $HOME), without a trailing '/'. Nothing is created.
    static QString userConfigFolder(const QString& name);
    static QString userDataFolder(const QString& name);

    // The options file: fileName beside the executable when it is there,
    // otherwise fileName in the per-user config folder userFolderName (which
    // need not exist yet).
    static QString chooseOptionsFile(const QString& fileName, const QString& userFolderName);

    // A file shipped with the program: relativePath beside the executable (a
    // build tree or portable run), else under ../share/<package>/ of it (an
    // installed program). Empty when neither exists.
    static QString sharedFile(const QString& package, const QString& relativePath);
};
