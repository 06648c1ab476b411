#include "components/o_Journal.h"

#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString Columns = QStringLiteral("SEQ,WRITE_ID,TARGET,USER_NAME,ACTION,MOMENT,PAYLOAD,STATE,WORK_ID,MESSAGE");
// Sent entries are kept a while (a Stop may still need its Start's interval).
constexpr int KeepSentDays = 30;

QString momentText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(DbConnection::dateTimeStorageFormat()) : QString();
}

QDateTime momentOf(const QJsonValue& value)
{
    return DbConnection::parseDateTime(value.toString());
}

QJsonObject intervalJson(const TInterval& interval)
{
    return {{"id", interval.id},
            {"project", interval.projectId},
            {"developer", interval.developerId},
            {"start", momentText(interval.start)},
            {"end", momentText(interval.end)},
            {"completed", interval.completed},
            {"comment", interval.comment}};
}

TInterval intervalOf(const QJsonObject& json)
{
    TInterval interval;
    interval.id = json.value("id").toInt();
    interval.projectId = json.value("project").toInt();
    interval.developerId = json.value("developer").toInt();
    interval.start = momentOf(json.value("start"));
    interval.end = momentOf(json.value("end"));
    interval.completed = json.value("completed").toBool();
    interval.comment = json.value("comment").toString();
    return interval;
}

// Everything but the columns the journal looks entries up by.
QString payload(const JournalEntry& entry)
{
    QJsonObject json{{"developer", entry.developerId}, {"work", entry.workId},      {"startRef", entry.startRef},
                     {"project", entry.projectId},     {"projectText", entry.projectText},
                     {"newStart", momentText(entry.newStart)},
                     {"newEnd", momentText(entry.newEnd)}, {"allowOverlap", entry.allowOverlap},
                     {"source", int(entry.source)},        {"lockConfirmed", entry.lockConfirmed},
                     {"recorded", momentText(entry.recorded)}};
    if (entry.comment)
        json.insert("comment", *entry.comment);
    if (entry.expected)
        json.insert("expected", intervalJson(*entry.expected));
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

void readPayload(const QString& text, JournalEntry& entry)
{
    const QJsonObject json = QJsonDocument::fromJson(text.toUtf8()).object();
    entry.developerId = json.value("developer").toInt();
    entry.workId = json.value("work").toInt();
    entry.startRef = json.value("startRef").toString();
    entry.projectId = json.value("project").toInt();
    entry.projectText = json.value("projectText").toString();
    entry.newStart = momentOf(json.value("newStart"));
    entry.newEnd = momentOf(json.value("newEnd"));
    entry.allowOverlap = json.value("allowOverlap").toBool();
    entry.source = WorkSource(json.value("source").toInt(int(WorkSource::Window)));
    entry.lockConfirmed = json.value("lockConfirmed").toBool();
    entry.recorded = momentOf(json.value("recorded"));
    if (json.contains("comment"))
        entry.comment = json.value("comment").toString();
    if (json.contains("expected"))
        entry.expected = intervalOf(json.value("expected").toObject());
}

} // namespace

QString JournalEntry::describe() const
{
    const QString action = this->action == Start ? QStringLiteral("Start")
                           : this->action == Stop ? QStringLiteral("Stop")
                                                  : QStringLiteral("change to interval %1").arg(workId);
    const QString at = moment.date() == Clock::now().date() ? moment.toString(QStringLiteral("HH:mm"))
                                                            : moment.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QStringLiteral("Your %1 at %2").arg(action, at);
}

QString TJournal::defaultPath()
{
    return AppPaths::userDataFolder(QStringLiteral("Hourwright")) + QStringLiteral("/journal.db");
}

TJournal::TJournal(const QString& path)
    : m_path(path)
    , m_connection(std::make_unique<DbConnection>())
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!QFileInfo::exists(path)) {
        try {
            m_connection->createSqlite(path);
        } catch (const DatabaseError&) {
            // Another program made it just now.
        }
    }
    if (!m_connection->isOpen())
        m_connection->openSqlite(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Most entries reach the server a few milliseconds after they are
    // recorded, so waiting for the disk at each would double what a Start
    // costs; an entry that has to wait is put on the disk by onDisk().
    m_connection->exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    m_connection->exec(QStringLiteral("create table if not exists ENTRIES ("
                                      "SEQ integer primary key autoincrement,"
                                      " WRITE_ID text not null unique,"
                                      " TARGET text not null,"
                                      " USER_NAME text not null,"
                                      " ACTION integer not null,"
                                      " MOMENT text not null,"
                                      " PAYLOAD text not null,"
                                      " STATE integer not null default 0,"
                                      " WORK_ID integer not null default 0,"
                                      " MESSAGE text,"
                                      " TOLD integer not null default 0,"
                                      " RECORDED text)"));
    m_connection->exec(
        QStringLiteral("create index if not exists IX_ENTRIES_WAITING on ENTRIES (STATE, TARGET, USER_NAME, SEQ)"));
    m_connection->exec(QStringLiteral("delete from ENTRIES where STATE = 1 and RECORDED < ?"),
                       {Clock::now().addDays(-KeepSentDays)});
}

TJournal::~TJournal() = default;

void TJournal::record(JournalEntry& entry)
{
    entry.recorded = Clock::now();
    QSqlQuery query = m_connection->exec(
        QStringLiteral("insert into ENTRIES (WRITE_ID,TARGET,USER_NAME,ACTION,MOMENT,PAYLOAD,STATE,RECORDED)"
                       " values (?,?,?,?,?,?,0,?)"),
        {entry.writeId, entry.target, entry.userName, int(entry.action), entry.moment, payload(entry), Clock::now()});
    entry.seq = query.lastInsertId().toLongLong();
    entry.state = JournalEntry::Waiting;
}

QList<JournalEntry> TJournal::read(const QString& where, const QVariantList& values)
{
    QSqlQuery query = m_connection->exec(
        QStringLiteral("select %1 from ENTRIES where %2 order by SEQ").arg(Columns, where), values);
    QList<JournalEntry> entries;
    while (query.next()) {
        JournalEntry entry;
        entry.seq = query.value(0).toLongLong();
        entry.writeId = query.value(1).toString();
        entry.target = query.value(2).toString();
        entry.userName = query.value(3).toString();
        entry.action = JournalEntry::Action(query.value(4).toInt());
        entry.moment = DbConnection::parseDateTime(query.value(5));
        readPayload(query.value(6).toString(), entry);
        entry.state = JournalEntry::State(query.value(7).toInt());
        entry.resultWorkId = query.value(8).toInt();
        entry.message = query.value(9).toString();
        entries << entry;
    }
    return entries;
}

QList<JournalEntry> TJournal::waiting(const QString& target, const QString& userName)
{
    return read(QStringLiteral("STATE = 0 and TARGET = ? and USER_NAME = ?"), {target, userName});
}

int TJournal::waitingCount(const QString& target, const QString& userName)
{
    QSqlQuery query = m_connection->exec(
        QStringLiteral("select count(*) from ENTRIES where STATE = 0 and TARGET = ? and USER_NAME = ?"),
        {target, userName});
    return query.next() ? query.value(0).toInt() : 0;
}

QList<JournalEntry> TJournal::takeUntold(const QString& target, const QString& userName)
{
    const QList<JournalEntry> entries =
        read(QStringLiteral("STATE = 2 and TOLD = 0 and TARGET = ? and USER_NAME = ?"), {target, userName});
    for (const JournalEntry& entry : entries)
        m_connection->exec(QStringLiteral("update ENTRIES set TOLD = 1 where SEQ = ?"), {entry.seq});
    return entries;
}

void TJournal::onDisk()
{
    // SQLite syncs the write-ahead log only at a checkpoint under NORMAL;
    // syncing its file now covers every entry recorded so far.
    for (const QString& name : {m_path + QStringLiteral("-wal"), m_path}) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly) && ::fsync(file.handle()) != 0)
            throw AppError(QStringLiteral("The journal %1 could not be written to the disk: %2")
                               .arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    }
}

void TJournal::markSent(qint64 seq, int workId)
{
    // A mark lost to a power cut only sends the entry once more, which its
    // write ID makes change nothing.
    m_connection->exec(QStringLiteral("update ENTRIES set STATE = 1, WORK_ID = ? where SEQ = ?"), {workId, seq});
}

void TJournal::setAside(qint64 seq, const QString& message)
{
    m_connection->exec(QStringLiteral("update ENTRIES set STATE = 2, MESSAGE = ? where SEQ = ?"), {message, seq});
}

void TJournal::remove(qint64 seq)
{
    m_connection->exec(QStringLiteral("delete from ENTRIES where SEQ = ?"), {seq});
}

int TJournal::startedInterval(const QString& startRef)
{
    QSqlQuery query = m_connection->exec(
        QStringLiteral("select WORK_ID from ENTRIES where WRITE_ID = ? and STATE = 1"), {startRef});
    return query.next() ? query.value(0).toInt() : 0;
}
