#pragma once

#include "components/o_EntryWriter.h"
#include "components/o_IntervalEditor.h"
#include "components/o_Journal.h"
#include "toolkit/DbConnection.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;
class QTimer;

// Writes the journal's waiting entries of one user to the server, oldest
// first, on a connection and a thread of its own: a server that does not
// answer keeps this thread waiting (for a bounded time), never the window's.
// A server that cannot be reached is tried again by itself, soon at first
// and then about once a second; every entry is written exactly once, in
// order, when it answers. An entry the server's rows no longer allow (its
// interval was stopped or changed elsewhere) is set aside and reported,
// never dropped and never forced.
class TJournalSender : public QObject
{
    Q_OBJECT
public:
    struct Setup
    {
        DbConnection::Parameters parameters; // the window's connection's
        int statementDeadlineMs = 0;
        QString journalPath;
        QString userName;
        TIntervalUser user;
    };

    // What became of one entry; told: its user saw the outcome at once.
    using Report = std::function<void(const JournalEntry& entry, const TEntryWriter::Outcome& outcome, bool told)>;
    using Claim = std::function<bool(const JournalEntry& entry, const TEntryWriter::Outcome& outcome)>;

    // Sends every waiting entry of the user once, in order, on connection
    // (the command line, and the window at sign-in): returns how many were
    // settled. Throws DatabaseUnavailable when the server cannot take them
    // now; those left wait. claim may take an outcome for a user waiting for it.
    static int sendWaiting(TJournal& journal, DbConnection& connection, const QString& userName,
                           const TIntervalUser& user, const Report& report = {}, const Claim& claim = {});

    explicit TJournalSender(const Setup& setup);
    ~TJournalSender() override;

    // What a window waiting for its entry learns: the outcome, or that the
    // server is away (with the driver's text), or neither in the time given.
    struct Answer
    {
        std::optional<TEntryWriter::Outcome> outcome;
        bool away = false;
        QString detail;
    };
    // From the window's thread, around one of its own entries: expect() before
    // the entry is recorded, then await() its answer for a short while; an
    // entry not written in that time is written later.
    void expect(const QString& writeId);
    Answer await(int milliseconds);
    // From any thread, before the sender's thread ends: a wait on the
    // server gives up at once.
    void giveUp();

public slots:
    void begin(); // in the sender's thread
    void wake();  // sends what waits now
    void probe(); // asks the server once (probed)
    void openFor(QThread* thread); // a connection for another thread (connectionOpened)
    void finish(); // closes everything, in the sender's thread

signals:
    void reachable();
    void unreachable(const QString& detail);
    void waitingChanged(int count);
    // An entry written after nobody waited for it any more.
    void written(const QString& writeId, int action, int workId);
    void setAside(const QString& writeId, const QString& text);
    void probed(bool answered);
    void connectionOpened(const QString& name);

private:
    void pump();
    bool ensureOpen();
    void goneDown(const QString& detail);
    void cameUp();
    void retryLater();
    bool claim(const JournalEntry& entry, const TEntryWriter::Outcome& outcome);
    void releaseWaiting(const QString& detail);

    Setup m_setup;
    std::unique_ptr<TJournal> m_journal;
    std::unique_ptr<DbConnection> m_connection;
    QTimer* m_retry = nullptr;
    int m_backoffMs = 0;
    bool m_down = false;
    bool m_pumping = false;
    std::atomic<bool> m_finishing{false};

    std::mutex m_mutex;
    std::condition_variable m_answered;
    QString m_expected;
    std::optional<Answer> m_answer;
};
