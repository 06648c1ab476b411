#pragma once

#include <QString>

// Which options file Hourwright uses, and where its per-user and shared files
// are. The program, hourwright-cli and hourwright-db all ask here:
// options.ini beside the executable when it is there (a source-tree or
// portable run), otherwise $XDG_CONFIG_HOME/Hourwright/options.ini.
class OptionsLocation
{
public:
    static QString fileName() { return QStringLiteral("options.ini"); }
    static QString userFolderName() { return QStringLiteral("Hourwright"); }

    // The options file of this run (it need not exist).
    static QString chosen();
    // Whether an options file exists in either place.
    static bool anyExists();
    static QString userOptionsFile();
    // The embedded database a first start creates: $XDG_DATA_HOME/Hourwright/hwr.db.
    static QString userDatabaseFile();
    // The export workbook shipped with the program; empty when it is missing.
    static QString workbookTemplate();

    // Makes path the program's options file: the one options manager reads it,
    // and relative paths in it are taken from its folder.
    static void useForProgram(const QString& path);
};
