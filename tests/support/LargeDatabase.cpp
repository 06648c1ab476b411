#include "support/LargeDatabase.h"

#include "components/o_Schema.h"
#include "tools/SampleData.h"
#include "toolkit/DbConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

QString LargeDatabase::path(qint64 intervals)
{
    QString base = qEnvironmentVariable("HW_BENCH_DATA");
    if (base.isEmpty())
        base = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data");
    QDir().mkpath(base);
    const QString file = QDir(base).filePath(QStringLiteral("intervals-%1.db").arg(intervals));
    if (QFile::exists(file))
        return file;
    const QString partial = file + QStringLiteral(".part");
    QFile::remove(partial);
    {
        DbConnection connection;
        connection.createSqlite(partial);
        Schema::createSqlite(connection);
        SampleData::Counts counts;
        counts.intervals = intervals;
        counts.recorded = false;
        SampleData::fill(connection, counts, QDateTime(QDate(2026, 11, 30), QTime(18, 0)));
        connection.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        connection.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    }
    QFile::rename(partial, file);
    return file;
}

QString LargeDatabase::freshCopy(qint64 intervals, const QString& folder)
{
    const QString source = path(intervals);
    const QString copy = QDir(folder).filePath(QStringLiteral("copy-%1.db").arg(intervals));
    QFile::remove(copy);
    QFile::copy(source, copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

double LargeDatabase::residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double LargeDatabase::peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}
