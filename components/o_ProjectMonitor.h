#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include "components/o_WorkWriter.h"
#include "toolkit/DbConnection.h"

#include <functional>

class IJournalLink;
struct JournalEntry;

// Turns Start and Stop Monitoring into PROJECTWORK rows: start inserts an
// open interval, stop closes the same row with its end, duration and the
// completed mark. Also takes over an interval left open by an earlier run,
// recomputes every stored duration, and owns the one duration formula.
//
// With a journal link (a server), Start and Stop are kept in the journal
// first, with the moment they were pressed, and written by the link; one
// the server cannot take at once is written when it can, and the monitor
// goes on measuring (or stops) all the same.
class TqvProjectMonitor : public QObject
{
    Q_OBJECT
public:
    explicit TqvProjectMonitor(QObject* owner = nullptr);
    ~TqvProjectMonitor() override;

    DbConnection* AdoConnection() const { return m_connection; }
    void setAdoConnection(DbConnection* connection);
    void setJournalLink(IJournalLink* link) { m_link = link; }

    int ProjectID = 0;
    int DeveloperID = 0;
    // Who signed in, for the history of the intervals written here. An
    // administrator's Start and Stop are never asked about the locked period.
    QString UserName;
    bool IsAdmin = false;
    int CustomerID = 0; // carried for callers; no statement writes it
    QString Comments;
    // Whether Stop writes Comments; when not, the comment stored with the
    // interval stays (it may have been written elsewhere while it ran).
    bool CommentTyped = true;

    bool Monitoring() const { return m_monitoring; }
    QDateTime StartTime() const { return m_startTime; }
    int CurrentWorkID() const { return m_currentWorkId; }
    // The write ID of a Start kept but not written yet (empty otherwise).
    QString StartRef() const { return m_startRef; }
    // A kept Start was written: the running interval now has its ID.
    void StartWritten(const QString& startRef, int workId);
    // A kept Start could not be written: nothing runs here.
    void StartRefused(const QString& startRef);

    // Whether Start refuses while DeveloperID already has an open interval.
    // The check runs inside Start's write transaction, after the write lock,
    // so a Start of the same developer from another client cannot slip in
    // between a check and the insert.
    bool OneOpenPerDeveloper = false;

    // Each write is one transaction; on failure it is rolled back, the state
    // stays as it was and the database's message is raised. The source says
    // where the user pressed Start or Stop, for the history.
    void StartMonitoring(WorkSource source);
    void StopMonitoring(WorkSource source);
    // Closes the running interval as of an earlier moment (time spent away
    // from the desk is not counted).
    void StopMonitoringAt(const QDateTime& end, WorkSource source);
    // Every closed interval's duration computed again from its times, by the
    // database, a range of keys at a time, in one transaction; only those
    // that differ are written (and so recorded in the history). Intervals in
    // the locked period keep theirs: what was paid stays as it was paid.
    // progress hears the keys done and in all between ranges; false cancels,
    // and nothing is changed then. Returns how many durations in the locked
    // period differ and were left.
    int RecalcTimeSpend(const std::function<bool(qint64 done, qint64 total)>& progress = {});
    // Takes over the newest open interval of DeveloperID; returns its ID or 0.
    int CheckIncompleteWork();
    int GetLastID();

    // Hours between two moments in whole minutes (k/60), truncated; the order
    // of the arguments does not matter.
    static double TimeSpendBetween(const QDateTime& a, const QDateTime& b);
    // Wall-clock milliseconds of a stored date-time (text or native), so that
    // spans are those of the clock on the wall, as the user entered them.
    static qint64 wallClockMSecs(const QDateTime& moment);

private:
    DbConnection& connection() const;
    // Writes the entry (through the link, or at once): the outcome, none
    // when it was kept for later; a refusal is raised.
    std::optional<int> write(JournalEntry& entry, QDateTime* storedStart);

    QPointer<DbConnection> m_connection;
    IJournalLink* m_link = nullptr;
    QString m_startRef;
    bool m_monitoring = false;
    QDateTime m_startTime;
    int m_currentWorkId = 0;
};
