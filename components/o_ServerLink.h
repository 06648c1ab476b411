#pragma once

#include "components/o_JournalLink.h"
#include "components/o_IntervalEditor.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class DbConnection;
class QThread;
class TJournal;
class TJournalSender;

// The window's side of a server connection that comes and goes. Start,
// Stop and corrections are kept in the journal and written by a sender in a
// thread of its own (the window waits for it only a moment). While the
// server is away, or changes still wait to be written, the window's own
// connection answers at once that it cannot ask the server, instead of
// waiting on it; a connection that was lost is replaced by one the sender
// opens, so the window never waits for a login either.
class TServerLink : public QObject, public IJournalLink
{
    Q_OBJECT
public:
    // connection: the window's, open and signed in as userName.
    TServerLink(DbConnection& connection, const QString& userName, const TIntervalUser& user,
                QObject* parent = nullptr);
    ~TServerLink() override;

    // How long submit() waits for a write before it leaves it to the sender.
    static int patience();
    static void setPatienceForTests(int milliseconds); // 0: the default

    // Writes what waits from an earlier run, on the window's connection, so
    // the window reads rows that hold it; what the server cannot take now
    // is left to the sender. Returns the entries set aside meanwhile, for
    // the user to see.
    QStringList sendWaitingNow();
    // Starts the sender's thread.
    void start();

    std::optional<TEntryWriter::Outcome> submit(JournalEntry& entry) override;

    bool isAway() const { return m_away; }
    int waitingCount() const { return m_waiting; }
    // The driver's text of the last failure, for details.
    const QString& lastProblem() const { return m_lastProblem; }
    // "Offline: 3 changes waiting", or empty while all is written.
    QString stateText() const;
    // Asks the server once from the sender's thread; answered by probed().
    void probe();

signals:
    void stateChanged();
    // An entry written after submit() stopped waiting for it.
    void written(const QString& writeId, int action, int workId);
    void setAside(const QString& writeId, const QString& text);
    // An action kept while the server is known to be away (its description).
    void kept(const QString& description);
    void probed(bool answered);

private:
    void setAway(bool away, const QString& detail = QString());
    void setWaiting(int count);
    void countWaiting();
    void replaceLostConnection();

    QPointer<DbConnection> m_connection;
    QString m_userName;
    TIntervalUser m_user;
    std::unique_ptr<TJournal> m_journal;
    TJournalSender* m_sender = nullptr;
    QThread* m_thread = nullptr;
    bool m_away = false;
    int m_waiting = 0;
    bool m_replacing = false;
    QString m_lastProblem;
};
