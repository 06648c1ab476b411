#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class DbConnection;

// Copies of the embedded database. A copy is taken with SQLite's online
// backup on connections of its own, so it is consistent while the program
// writes; it is written under a temporary name, checked with
// "PRAGMA integrity_check" and only then renamed into place, so a failed or
// partial copy never takes the place of a good one.
class DatabaseBackup
{
public:
    // Backups kept in the automatic set (the largest one may be kept besides).
    static constexpr int KeepCount = 7;

    // "Backups" beside the database file.
    static QString defaultFolder(const QString& databasePath);
    // "hwr-YYYY-MM-DD-HHMMSS.db"; the names sort by the moment they carry.
    static QString fileNameFor(const QDateTime& moment);
    static bool isBackupName(const QString& fileName);
    // The backups in a folder, oldest first, as full paths.
    static QStringList backupsIn(const QString& folder);

    // Copies the database into destinationPath, whose folder must exist.
    // An existing good file there is replaced only by a copy at least as
    // large. Throws AppError with the reason; nothing is replaced then.
    static void copy(const QString& sourcePath, const QString& destinationPath);
    // A copy named for the clock's now in an existing folder; returns its path.
    static QString copyInto(const QString& sourcePath, const QString& folder);
    // Empty when the file is a sound SQLite database, else what is wrong.
    static QString integrityProblem(const QString& path);

    // Removes the oldest backups beyond `keep`. The largest backup is spared
    // when every kept one is smaller, so a database that was emptied or
    // replaced cannot push the last good copy out. Returns what was removed.
    static QStringList rotate(const QString& folder, int keep = KeepCount);
    // The day's copy into folder (created when missing) unless the folder
    // already holds one of the clock's today; then the rotation. Returns the
    // new file, or an empty text when today's copy exists.
    static QString dailyCopy(const QString& sourcePath, const QString& folder);

    // The file behind an open SQLite connection; empty for other drivers.
    static QString databaseFileOf(const DbConnection& connection);
    // The copy taken at sign-in, for database kind 0 only. Never throws: a
    // failure goes to reportFailure, and the sign-in goes on.
    static void copyAtSignIn(int kind, const DbConnection& connection,
                             const std::function<void(const QString&)>& reportFailure);
};
