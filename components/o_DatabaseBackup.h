#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class DbConnection;

// Copies of the embedded database. A copy is taken with SQLite's online
// backup on connections of its own, a step of pages at a time, so it is
// consistent while the program writes; it is written under a temporary name
// private to its owner, checked with "PRAGMA quick_check" and only then
// renamed into place, so a failed or partial copy never takes the place of
// a good one.
class DatabaseBackup
{
public:
    // Backups kept in the automatic set (the largest one may be kept besides).
    static constexpr int KeepCount = 7;
    // Pages copied in one step; between steps a copy can report and stop.
    static constexpr int PagesPerStep = 4096;

    // Between the steps of a copy: pages copied so far and in all. Returning
    // false stops the copy; nothing is written then.
    using Progress = std::function<bool(int copied, int total)>;

    // "Backups" beside the database file.
    static QString defaultFolder(const QString& databasePath);
    // The folder, created private to its owner (0700) when missing; one of
    // the owner's that others may enter is closed to them. Throws AppError.
    static void makePrivateFolder(const QString& folder);
    // "hwr-YYYY-MM-DD-HHMMSS.db"; the names sort by the moment they carry.
    static QString fileNameFor(const QDateTime& moment);
    static bool isBackupName(const QString& fileName);
    // The backups in a folder, oldest first, as full paths.
    static QStringList backupsIn(const QString& folder);

    // Copies the database into destinationPath, whose folder must exist.
    // An existing database there is replaced only by a copy at least as
    // large (it is not checked again; a file that is no database at all is
    // replaced). Throws AppError with the reason; nothing is replaced then.
    static void copy(const QString& sourcePath, const QString& destinationPath, const Progress& progress = {});
    // A copy named for the clock's now in an existing folder; returns its path.
    static QString copyInto(const QString& sourcePath, const QString& folder, const Progress& progress = {});
    // Empty when the file is a sound SQLite database, else what is wrong
    // ("PRAGMA integrity_check", which also compares every index with its
    // table; a copy is checked with the quicker "PRAGMA quick_check").
    static QString integrityProblem(const QString& path);

    // Removes the oldest backups beyond `keep`. The largest backup is spared
    // when every kept one is smaller, so a database that was emptied or
    // replaced cannot push the last good copy out. Returns what was removed.
    static QStringList rotate(const QString& folder, int keep = KeepCount);
    // The day's copy into folder (made private, created when missing)
    // unless the folder already holds one of the day of `now` (the clock's
    // when invalid); then the rotation. Returns the new file, or an empty
    // text when that day's copy exists.
    static QString dailyCopy(const QString& sourcePath, const QString& folder, const QDateTime& now = QDateTime(),
                             const Progress& progress = {});

    // The file behind an open SQLite connection; empty for other drivers.
    static QString databaseFileOf(const DbConnection& connection);
    // What a failed day's copy tells the user.
    static QString dailyFailureText(const QString& problem);
};
