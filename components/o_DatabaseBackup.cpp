#include "components/o_DatabaseBackup.h"

#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int BusyTimeoutMs = 5000;

class Handle
{
public:
    Handle() = default;
    ~Handle() { sqlite3_close_v2(m_db); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    sqlite3* get() const { return m_db; }
    QString error() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory"); }

    // Never creates the file: a missing database is an error, not a new one.
    void open(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK)
            throw DatabaseError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error()));
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    }
    void close()
    {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

private:
    sqlite3* m_db = nullptr;
};

// Runs a statement and returns the first column of each row.
QStringList rowsOf(const Handle& db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql, -1, &statement, nullptr) != SQLITE_OK)
        throw DatabaseError(db.error());
    QStringList rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        throw DatabaseError(db.error());
    return rows;
}

void removeWithCompanions(const QString& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// The rename is only durable once the folder's entry is on disk too.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the file's contents to disk; 0, or the error number.
int syncFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

// Copies the pages, a step at a time, turns the copy into a single
// self-contained file, checks it and writes it to disk.
void copyAndCheck(const QString& sourcePath, const QString& targetPath, const DatabaseBackup::Progress& progress)
{
    Handle source;
    source.open(sourcePath, SQLITE_OPEN_READWRITE);
    Handle target;
    target.open(targetPath, SQLITE_OPEN_READWRITE);
    // A copy that does not finish is thrown away, so it needs no syncs of
    // its own on the way; the finished file is synced once below.
    rowsOf(target, "PRAGMA synchronous=OFF");

    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (!backup)
        throw DatabaseError(target.error());
    // Each step reads under a read transaction of its own; a write by
    // another connection between steps starts the copy again, so the copy
    // is always the state of one moment. Should writes keep coming, the rest
    // is copied in one step, which no write can interrupt.
    int rc = SQLITE_OK;
    int busy = 0;
    int restarts = 0;
    int lastRemaining = -1;
    bool stopped = false;
    while (true) {
        rc = sqlite3_backup_step(backup, restarts < 3 ? DatabaseBackup::PagesPerStep : -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++busy >= 50)
                break;
            sqlite3_sleep(100);
            continue;
        }
        if (rc != SQLITE_OK && rc != SQLITE_DONE)
            break;
        const int remaining = sqlite3_backup_remaining(backup);
        const int total = sqlite3_backup_pagecount(backup);
        if (lastRemaining >= 0 && remaining > lastRemaining)
            ++restarts;
        lastRemaining = remaining;
        if (progress && !progress(total - remaining, total)) {
            stopped = true;
            break;
        }
        if (rc == SQLITE_DONE)
            break;
    }
    const int pages = sqlite3_backup_pagecount(backup);
    const int finished = sqlite3_backup_finish(backup);
    if (stopped)
        throw AppError(QStringLiteral("The copy was stopped"));
    if (rc != SQLITE_DONE)
        throw DatabaseError(QStringLiteral("The copy stopped: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    if (finished != SQLITE_OK)
        throw DatabaseError(target.error());
    // The pages carry the source's WAL mode; a backup must not depend on
    // side files, so the copy goes back to a rollback journal.
    const QStringList mode = rowsOf(target, "PRAGMA journal_mode=DELETE");
    if (mode.value(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("The copy kept the journal mode %1").arg(mode.value(0)));
    // While the disk takes the copy, the copy is read back whole, every page
    // and record (through a mapping of the file rather than page by page):
    // the one waits for the disk, the other for the processor.
    std::future<int> synced = std::async(std::launch::async, syncFile, QFile::encodeName(targetPath));
    QStringList check;
    int copied = 0;
    try {
        rowsOf(target, "PRAGMA mmap_size=2147418112");
        check = rowsOf(target, "PRAGMA quick_check");
        copied = rowsOf(target, "PRAGMA page_count").value(0).toInt();
    } catch (...) {
        synced.wait();
        throw;
    }
    if (const int error = synced.get())
        throw AppError(QStringLiteral("The copy could not be written to disk: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(error))));
    if (check.size() != 1 || check.first() != QLatin1String("ok"))
        throw AppError(QStringLiteral("The copy failed its check: %1")
                           .arg(check.isEmpty() ? QStringLiteral("the check gave no answer") : check.first()));
    if (copied != pages)
        throw AppError(QStringLiteral("The copy is incomplete"));
}

// Whether a file starts as every SQLite database does.
bool isDatabaseFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

} // namespace

QString DatabaseBackup::defaultFolder(const QString& databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("Backups"));
}

QString DatabaseBackup::fileNameFor(const QDateTime& moment)
{
    return QStringLiteral("hwr-%1.db").arg(moment.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
}

bool DatabaseBackup::isBackupName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^hwr-\\d{4}-\\d{2}-\\d{2}-\\d{6}\\.db$"));
    return pattern.match(fileName).hasMatch();
}

QStringList DatabaseBackup::backupsIn(const QString& folder)
{
    const QDir dir(folder);
    QStringList paths;
    const QStringList names =
        dir.entryList({QStringLiteral("hwr-*.db")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names)
        if (isBackupName(name))
            paths << dir.filePath(name);
    return paths;
}

QString DatabaseBackup::integrityProblem(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1 is no file").arg(QDir::toNativeSeparators(path));
    try {
        Handle db;
        db.open(path, SQLITE_OPEN_READONLY);
        const QStringList rows = rowsOf(db, "PRAGMA integrity_check");
        if (rows.size() == 1 && rows.first() == QLatin1String("ok"))
            return {};
        return rows.isEmpty() ? QStringLiteral("the integrity check gave no answer") : rows.first();
    } catch (const AppError& error) {
        return error.message();
    }
}

void DatabaseBackup::makePrivateFolder(const QString& folder)
{
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent))
        throw AppError(QStringLiteral("The backup folder %1 cannot be created").arg(QDir::toNativeSeparators(folder)));
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw AppError(QStringLiteral("The backup folder %1 cannot be created: %2")
                           .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info{};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw AppError(QStringLiteral("The backup folder %1 cannot be created: something else has that name")
                           .arg(QDir::toNativeSeparators(folder)));
    // A folder of an older version, open to every local user: the copies
    // of the database in it are closed to them now.
    if (info.st_uid == ::getuid() && (info.st_mode & 077) != 0)
        ::chmod(name.constData(), 0700);
}

void DatabaseBackup::copy(const QString& sourcePath, const QString& destinationPath, const Progress& progress)
{
    if (!QFileInfo(sourcePath).isFile())
        throw AppError(QStringLiteral("The database file %1 does not exist").arg(QDir::toNativeSeparators(sourcePath)));
    const QFileInfo destination(destinationPath);
    if (destination.isDir())
        throw AppError(QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(destinationPath)));
    const QString folder = destination.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("The backup folder %1 does not exist").arg(QDir::toNativeSeparators(folder)));
    if (QFileInfo(sourcePath).canonicalFilePath() == destination.canonicalFilePath())
        throw AppError(QStringLiteral("A database cannot be its own backup"));

    // The temporary name sits in the same folder, so the final rename is
    // atomic; the file is its owner's alone (0600), and so is the copy.
    QTemporaryFile temporary(QDir(folder).filePath(QStringLiteral(".hwr-backup-XXXXXX.part")));
    if (!temporary.open())
        throw AppError(QStringLiteral("The backup folder %1 cannot be written: %2")
                           .arg(QDir::toNativeSeparators(folder), temporary.errorString()));
    const QString temporaryPath = temporary.fileName();
    temporary.close();
    struct Cleanup
    {
        QString path;
        ~Cleanup() { removeWithCompanions(path); }
    } cleanup{temporaryPath};

    copyAndCheck(sourcePath, temporaryPath, progress);

    // A larger database there is kept, unread beyond its header: no second
    // check of a copy that was checked when it was made.
    const qint64 newSize = QFileInfo(temporaryPath).size();
    if (destination.exists() && destination.size() > newSize && isDatabaseFile(destinationPath))
        throw AppError(QStringLiteral("The backup %1 is larger than the new copy (%2 against %3 bytes) and is kept")
                           .arg(QDir::toNativeSeparators(destinationPath))
                           .arg(destination.size())
                           .arg(newSize));

    if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(destinationPath).constData()) != 0)
        throw AppError(QStringLiteral("The copy could not be renamed to %1: %2")
                           .arg(QDir::toNativeSeparators(destinationPath), QString::fromLocal8Bit(std::strerror(errno))));
    syncFolder(folder);
}

QString DatabaseBackup::copyInto(const QString& sourcePath, const QString& folder, const Progress& progress)
{
    const QString path = QDir(folder).filePath(fileNameFor(Clock::now()));
    copy(sourcePath, path, progress);
    return path;
}

QStringList DatabaseBackup::rotate(const QString& folder, int keep)
{
    const QStringList backups = backupsIn(folder);
    const int surplus = int(backups.size()) - keep;
    if (surplus <= 0)
        return {};
    qint64 largestKept = 0;
    for (int i = surplus; i < backups.size(); ++i)
        largestKept = qMax(largestKept, QFileInfo(backups.at(i)).size());
    int spared = -1;
    qint64 largestOld = largestKept;
    for (int i = 0; i < surplus; ++i) {
        const qint64 size = QFileInfo(backups.at(i)).size();
        if (size > largestOld) {
            largestOld = size;
            spared = i;
        }
    }
    QStringList removed;
    for (int i = 0; i < surplus; ++i) {
        if (i == spared)
            continue;
        if (QFile::remove(backups.at(i)))
            removed << backups.at(i);
    }
    return removed;
}

QString DatabaseBackup::dailyCopy(const QString& sourcePath, const QString& folder, const QDateTime& now,
                                  const Progress& progress)
{
    const QDateTime moment = now.isValid() ? now : Clock::now();
    makePrivateFolder(folder);
    const QString today = QStringLiteral("hwr-%1-").arg(moment.date().toString(QStringLiteral("yyyy-MM-dd")));
    for (const QString& path : backupsIn(folder))
        if (QFileInfo(path).fileName().startsWith(today))
            return {};
    const QString path = QDir(folder).filePath(fileNameFor(moment));
    copy(sourcePath, path, progress);
    rotate(folder);
    return path;
}

QString DatabaseBackup::databaseFileOf(const DbConnection& connection)
{
    if (!connection.isSqlite())
        return {};
    const QVariant handle = connection.database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return {};
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    return file ? QFile::decodeName(file) : QString();
}

QString DatabaseBackup::dailyFailureText(const QString& problem)
{
    return QStringLiteral("Today's backup of the database could not be made: %1\nThe earlier backups are kept.")
        .arg(problem);
}
