#pragma once

#include "components/o_IntervalEditor.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class DbConnection;

// One thing the user did to recorded time, kept until the server has it:
// the moment it was done, and the unique ID its write carries.
struct JournalEntry
{
    enum Action { Start, Stop, Edit };
    enum State {
        Waiting,  // not written yet
        Sent,     // written (or found written already)
        SetAside, // the server's rows had moved on: shown to the user, never forced
    };

    qint64 seq = 0; // the order the user acted in
    QString writeId;
    QString target;   // which database (DbConnection::Parameters::target)
    QString userName; // written only under this user's sign-in
    Action action = Start;
    QDateTime moment; // when the user acted
    int developerId = 0; // 0: the developer of the user who sends it
    // The interval a Stop or an Edit is for: its ID when known, else the
    // write ID of the Start that opened it; a Stop with neither ends the
    // developer's open interval.
    int workId = 0;
    QString startRef;
    // Start: the project by ID, or as typed (an ID or a name) when it could
    // not be looked up; Edit: the new project (0: unchanged).
    int projectId = 0;
    QString projectText;
    // The comment to write; none: the stored one stays.
    std::optional<QString> comment;
    // Edit: the new start and stop (invalid: unchanged), the interval as it
    // was read (a row changed since is not overwritten), and whether an
    // overlap with other intervals was accepted.
    QDateTime newStart;
    QDateTime newEnd;
    std::optional<TInterval> expected;
    bool allowOverlap = false;
    // For the history: where the user acted, whether an administrator said
    // yes to changing the locked period, and when the entry was kept
    // (invalid for one written at once).
    WorkSource source = WorkSource::Window;
    bool lockConfirmed = false;
    QDateTime recorded;

    State state = Waiting;
    int resultWorkId = 0; // the interval written
    QString message;      // why it was set aside

    // "Your Stop at 10:41", for messages.
    QString describe() const;
};

// The journal: a small SQLite file in the user's data folder that keeps
// every entry until it is written, across Terminate, a crash and a restart.
// Each thread that uses it opens its own; several programs share the file.
class TJournal
{
public:
    explicit TJournal(const QString& path = defaultPath());
    ~TJournal();

    // $XDG_DATA_HOME/Hourwright/journal.db
    static QString defaultPath();
    const QString& path() const { return m_path; }

    // Keeps the entry (its seq is set) before anything else happens to it.
    // It survives the program's crash at once; onDisk() makes it survive a
    // power cut too, once it is clear the entry has to wait.
    void record(JournalEntry& entry);
    void onDisk();
    // The waiting entries of one user on one database, oldest first.
    QList<JournalEntry> waiting(const QString& target, const QString& userName);
    int waitingCount(const QString& target, const QString& userName);
    // Entries set aside and not shown to their user yet; taking them marks them shown.
    QList<JournalEntry> takeUntold(const QString& target, const QString& userName);

    void markSent(qint64 seq, int workId);
    void setAside(qint64 seq, const QString& message);
    // An entry the user was told about at once (refused while they waited).
    void remove(qint64 seq);
    // The interval the Start with this write ID made (0: not written yet).
    int startedInterval(const QString& startRef);

private:
    QList<JournalEntry> read(const QString& where, const QVariantList& values);

    QString m_path;
    std::unique_ptr<DbConnection> m_connection;
};
