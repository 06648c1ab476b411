#include "components/o_ServerLink.h"

#include "components/o_Journal.h"
#include "components/o_JournalSender.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Long enough for a healthy server to write a Start or a Stop, short enough
// that the window does not notice when it cannot.
constexpr int DefaultPatienceMs = 50;
int s_patienceForTests = 0;

} // namespace

int TServerLink::patience()
{
    return s_patienceForTests > 0 ? s_patienceForTests : DefaultPatienceMs;
}

void TServerLink::setPatienceForTests(int milliseconds)
{
    s_patienceForTests = milliseconds;
}

TServerLink::TServerLink(DbConnection& connection, const QString& userName, const TIntervalUser& user,
                         QObject* parent)
    : QObject(parent)
    , m_connection(&connection)
    , m_userName(userName)
    , m_user(user)
    , m_journal(std::make_unique<TJournal>())
{
    m_waiting = m_journal->waitingCount(connection.parameters().target(), userName);
}

TServerLink::~TServerLink()
{
    if (m_connection)
        m_connection->setAvailabilityCheck({});
    if (m_thread) {
        // A sender waiting on a server that does not answer gives up at once.
        m_sender->giveUp();
        m_thread->quit();
        m_thread->wait();
        delete m_sender;
        delete m_thread;
    }
}

QStringList TServerLink::sendWaitingNow()
{
    QStringList setAside;
    if (!m_connection)
        return setAside;
    try {
        TJournalSender::sendWaiting(*m_journal, *m_connection, m_userName, m_user,
                                    [&](const JournalEntry& entry, const TEntryWriter::Outcome& outcome, bool) {
                                        if (outcome.kind != TEntryWriter::Outcome::Written)
                                            setAside << QStringLiteral("%1 was not written: %2")
                                                            .arg(entry.describe(), outcome.message);
                                    });
    } catch (const DatabaseUnavailable& error) {
        m_lastProblem = error.detail();
    }
    // Also what an earlier run or the command line set aside and nobody saw.
    for (const JournalEntry& entry : m_journal->takeUntold(m_connection->parameters().target(), m_userName))
        setAside << QStringLiteral("%1 was not written: %2").arg(entry.describe(), entry.message);
    countWaiting();
    return setAside;
}

void TServerLink::start()
{
    if (m_thread || !m_connection)
        return;
    TJournalSender::Setup setup;
    setup.parameters = m_connection->parameters();
    setup.statementDeadlineMs = m_connection->statementDeadline();
    setup.journalPath = m_journal->path();
    setup.userName = m_userName;
    setup.user = m_user;
    m_sender = new TJournalSender(setup);
    m_thread = new QThread();
    m_thread->setObjectName(QStringLiteral("hw-journal-sender"));
    m_sender->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_sender, &TJournalSender::begin);
    // Its connection and journal are closed in its own thread, as it ends.
    connect(m_thread, &QThread::finished, m_sender, &TJournalSender::finish, Qt::DirectConnection);
    connect(m_sender, &TJournalSender::reachable, this, [this] {
        setAway(false);
        replaceLostConnection();
    });
    connect(m_sender, &TJournalSender::unreachable, this, [this](const QString& detail) { setAway(true, detail); });
    // Counted in the journal itself: a count the sender sent may be older
    // than an entry kept here since.
    connect(m_sender, &TJournalSender::waitingChanged, this, [this] { countWaiting(); });
    connect(m_sender, &TJournalSender::written, this, &TServerLink::written);
    connect(m_sender, &TJournalSender::setAside, this, &TServerLink::setAside);
    connect(m_sender, &TJournalSender::probed, this, [this](bool answered) {
        if (answered)
            replaceLostConnection();
        emit probed(answered);
    });
    connect(m_sender, &TJournalSender::connectionOpened, this, [this](const QString& name) {
        m_replacing = false;
        if (!m_connection || !m_connection->isLost() || m_connection->inTransaction()) {
            QSqlDatabase::removeDatabase(name);
            return;
        }
        m_connection->adopt(name, m_connection->parameters());
        emit stateChanged();
    });
    // The window's own connection: lost, the server counts as away until
    // the sender reaches it again.
    connect(m_connection, &DbConnection::connectionLost, this, [this](const QString& detail) {
        setAway(true, detail);
        QMetaObject::invokeMethod(m_sender, &TJournalSender::wake, Qt::QueuedConnection);
    });
    m_connection->setAvailabilityCheck([this] {
        if (m_away)
            return QStringLiteral("The server cannot be reached; Hourwright keeps trying to reach it.");
        if (m_waiting > 0)
            return QStringLiteral("Hourwright is still writing your changes to the server; try again in a moment.");
        return QString();
    });
    m_thread->start();
}

std::optional<TEntryWriter::Outcome> TServerLink::submit(JournalEntry& entry)
{
    if (!m_connection)
        throw AppError(QStringLiteral("There is no connection to write to."));
    entry.writeId = WriteIds::newId();
    entry.target = m_connection->parameters().target();
    entry.userName = m_userName;
    if (!m_sender)
        throw AppError(QStringLiteral("The journal's sender is not running."));
    m_sender->expect(entry.writeId);
    m_journal->record(entry);
    QMetaObject::invokeMethod(m_sender, &TJournalSender::wake, Qt::QueuedConnection);
    const TJournalSender::Answer answer = m_sender->await(patience());
    if (!answer.outcome) {
        m_journal->onDisk();
        countWaiting();
        if (answer.away)
            setAway(true, answer.detail);
        if (m_away)
            emit kept(entry.describe());
    }
    return answer.outcome;
}

void TServerLink::probe()
{
    if (m_sender)
        QMetaObject::invokeMethod(m_sender, &TJournalSender::probe, Qt::QueuedConnection);
}

void TServerLink::setAway(bool away, const QString& detail)
{
    if (!detail.isEmpty())
        m_lastProblem = detail;
    if (away == m_away)
        return;
    m_away = away;
    emit stateChanged();
}

void TServerLink::countWaiting()
{
    if (m_connection)
        setWaiting(m_journal->waitingCount(m_connection->parameters().target(), m_userName));
}

void TServerLink::setWaiting(int count)
{
    if (count == m_waiting)
        return;
    m_waiting = count;
    emit stateChanged();
}

void TServerLink::replaceLostConnection()
{
    if (!m_connection || !m_connection->isLost() || m_replacing || !m_sender)
        return;
    m_replacing = true;
    QThread* gui = thread();
    QMetaObject::invokeMethod(m_sender, [sender = m_sender, gui] { sender->openFor(gui); }, Qt::QueuedConnection);
}

QString TServerLink::stateText() const
{
    if (m_waiting > 0)
        return m_waiting == 1 ? QStringLiteral("Offline: 1 change waiting")
                              : QStringLiteral("Offline: %1 changes waiting").arg(m_waiting);
    if (m_away)
        return QStringLiteral("Offline: the server cannot be reached");
    return QString();
}
