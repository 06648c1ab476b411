#include "components/o_JournalSender.h"

#include "toolkit/AppError.h"

#include <QSqlQuery>
#include <QThread>
#include <QTimer>

namespace {

// The first retries come soon (a restarted server is back in a moment), then
// about once a second: a failed attempt on a server that is down costs little.
constexpr int FirstRetryMs = 100;
constexpr int LongestRetryMs = 1000;

} // namespace

int TJournalSender::sendWaiting(TJournal& journal, DbConnection& connection, const QString& userName,
                                const TIntervalUser& user, const Report& report, const Claim& claim)
{
    const QString target = connection.parameters().target();
    TEntryWriter writer(connection, user);
    writer.StartedInterval = [&journal](const QString& startRef) { return journal.startedInterval(startRef); };
    int settled = 0;
    for (;;) {
        const QList<JournalEntry> entries = journal.waiting(target, userName);
        if (entries.isEmpty())
            return settled;
        for (const JournalEntry& entry : entries) {
            const TEntryWriter::Outcome outcome = writer.write(entry);
            const bool told = claim && claim(entry, outcome);
            if (outcome.kind == TEntryWriter::Outcome::Written)
                journal.markSent(entry.seq, outcome.workId);
            else if (told)
                journal.remove(entry.seq);
            else
                journal.setAside(entry.seq, outcome.message);
            ++settled;
            if (report)
                report(entry, outcome, told);
        }
    }
}

TJournalSender::TJournalSender(const Setup& setup)
    : m_setup(setup)
{
}

TJournalSender::~TJournalSender() = default;

void TJournalSender::expect(const QString& writeId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_expected = writeId;
    m_answer.reset();
}

TJournalSender::Answer TJournalSender::await(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_answered.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_answer.has_value(); });
    // Whatever comes later goes the way of any entry nobody waits for.
    m_expected.clear();
    Answer answer = m_answer.value_or(Answer());
    m_answer.reset();
    return answer;
}

bool TJournalSender::claim(const JournalEntry& entry, const TEntryWriter::Outcome& outcome)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_expected.isEmpty() || m_expected != entry.writeId)
            return false;
        m_expected.clear();
        m_answer = Answer{outcome, false, QString()};
    }
    m_answered.notify_all();
    return true;
}

void TJournalSender::releaseWaiting(const QString& detail)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_expected.isEmpty())
            return;
        m_expected.clear();
        m_answer = Answer{std::nullopt, true, detail};
    }
    m_answered.notify_all();
}

void TJournalSender::giveUp()
{
    m_finishing = true;
    if (m_connection)
        m_connection->giveUp();
}

void TJournalSender::begin()
{
    m_journal = std::make_unique<TJournal>(m_setup.journalPath);
    m_connection = std::make_unique<DbConnection>();
    m_connection->setStatementDeadline(m_setup.statementDeadlineMs);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &TJournalSender::pump);
    pump();
}

void TJournalSender::wake()
{
    m_backoffMs = 0;
    pump();
}

void TJournalSender::finish()
{
    delete m_retry;
    m_retry = nullptr;
    m_connection.reset();
    m_journal.reset();
}

bool TJournalSender::ensureOpen()
{
    if (m_connection->isOpen() && !m_connection->isLost())
        return true;
    try {
        m_connection->open(m_setup.parameters);
        return true;
    } catch (const std::exception& error) {
        goneDown(errorDetail(error).isEmpty() ? errorMessage(error) : errorDetail(error));
        return false;
    }
}

void TJournalSender::goneDown(const QString& detail)
{
    // A window waiting for its entry hears at once that it is kept.
    releaseWaiting(detail);
    m_down = true;
    emit unreachable(detail);
    retryLater();
}

void TJournalSender::cameUp()
{
    m_backoffMs = 0;
    if (m_down) {
        m_down = false;
        emit reachable();
    }
}

void TJournalSender::retryLater()
{
    if (m_finishing || !m_retry)
        return;
    m_backoffMs = m_backoffMs == 0 ? FirstRetryMs : std::min(m_backoffMs * 2, LongestRetryMs);
    m_retry->start(m_backoffMs);
}

void TJournalSender::pump()
{
    if (m_pumping || m_finishing || !m_journal)
        return;
    m_pumping = true;
    m_retry->stop();
    if (ensureOpen()) {
        try {
            // Whether it is back, also when nothing waits to be written.
            if (m_down)
                m_connection->exec(QStringLiteral("select 1"));
            sendWaiting(
                *m_journal, *m_connection, m_setup.userName, m_setup.user,
                [this](const JournalEntry& entry, const TEntryWriter::Outcome& outcome, bool told) {
                    if (told)
                        return;
                    if (outcome.kind == TEntryWriter::Outcome::Written)
                        emit written(entry.writeId, int(entry.action), outcome.workId);
                    else
                        emit setAside(entry.writeId, QStringLiteral("%1 was not written: %2")
                                                         .arg(entry.describe(), outcome.message));
                    emit waitingChanged(m_journal->waitingCount(m_connection->parameters().target(),
                                                                m_setup.userName));
                },
                [this](const JournalEntry& entry, const TEntryWriter::Outcome& outcome) {
                    return claim(entry, outcome);
                });
            cameUp();
        } catch (const DatabaseUnavailable& error) {
            goneDown(error.detail().isEmpty() ? error.message() : error.detail());
        } catch (const std::exception& error) {
            // The journal file itself failed: tried again like a server away.
            goneDown(errorMessage(error));
        }
    }
    emit waitingChanged(m_journal->waitingCount(m_setup.parameters.target(), m_setup.userName));
    m_pumping = false;
}

void TJournalSender::probe()
{
    bool answered = false;
    if (!m_finishing && ensureOpen()) {
        try {
            m_connection->exec(QStringLiteral("select 1"));
            answered = true;
            cameUp();
        } catch (const std::exception& error) {
            goneDown(errorDetail(error).isEmpty() ? errorMessage(error) : errorDetail(error));
        }
    }
    emit probed(answered);
}

void TJournalSender::openFor(QThread* thread)
{
    if (m_finishing)
        return;
    try {
        emit connectionOpened(DbConnection::openFor(thread, m_setup.parameters, m_setup.statementDeadlineMs));
        cameUp();
    } catch (const std::exception& error) {
        goneDown(errorDetail(error).isEmpty() ? errorMessage(error) : errorDetail(error));
    }
}
