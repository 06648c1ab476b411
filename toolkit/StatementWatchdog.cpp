#include "toolkit/StatementWatchdog.h"

#include <libpq-fe.h>
#include <pthread.h>
#include <sys/socket.h>

StatementWatchdog& StatementWatchdog::instance()
{
    static StatementWatchdog watchdog;
    return watchdog;
}

StatementWatchdog::StatementWatchdog()
{
    // A child made by fork() has no watching thread and may have copied the
    // lock while it was held: it starts afresh with its own thread.
    pthread_atfork(&StatementWatchdog::beforeFork, &StatementWatchdog::afterForkInParent,
                   &StatementWatchdog::afterForkInChild);
}

StatementWatchdog::~StatementWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake->notify_all();
    if (m_thread && m_thread->joinable())
        m_thread->join();
    delete m_thread;
    delete m_wake;
}

void StatementWatchdog::beforeFork()
{
    instance().m_mutex.lock();
}

void StatementWatchdog::afterForkInParent()
{
    instance().m_mutex.unlock();
}

void StatementWatchdog::afterForkInChild()
{
    StatementWatchdog& watchdog = instance();
    watchdog.m_mutex.unlock();
    // The parent's thread does not exist here; its handle and the condition
    // it waited on are left behind.
    watchdog.m_thread = nullptr;
    watchdog.m_wake = new std::condition_variable();
    watchdog.m_watched.clear();
}

void StatementWatchdog::arm(void* conn, std::chrono::milliseconds allowed)
{
    if (!conn)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Watched& watched = m_watched[conn];
        watched.deadline = Clock::now() + allowed;
        watched.armed = true;
        watched.fired = false;
        if (!m_thread)
            m_thread = new std::thread([this] { run(); });
    }
    m_wake->notify_all();
}

void StatementWatchdog::forget(void* conn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_watched.erase(conn);
}

void StatementWatchdog::cutNow(void* conn)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_watched.find(conn);
        if (found == m_watched.end() || !found->second.armed)
            return;
        found->second.deadline = Clock::now();
    }
    m_wake->notify_all();
}

bool StatementWatchdog::fired(void* conn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_watched.find(conn);
    return found != m_watched.end() && found->second.fired;
}

void StatementWatchdog::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        Clock::time_point next = Clock::time_point::max();
        const Clock::time_point now = Clock::now();
        for (auto& [conn, watched] : m_watched) {
            if (!watched.armed)
                continue;
            if (watched.deadline > now) {
                next = std::min(next, watched.deadline);
                continue;
            }
            watched.armed = false;
            // Only a connection still waiting for its answer is cut; one
            // that has it (idle, or in a transaction between statements) is
            // left alone. Forgetting takes this lock, so the connection is
            // not closed while it is looked at.
            auto* pg = static_cast<PGconn*>(conn);
            if (PQtransactionStatus(pg) == PQTRANS_ACTIVE) {
                const int socket = PQsocket(pg);
                if (socket >= 0 && ::shutdown(socket, SHUT_RDWR) == 0)
                    watched.fired = true;
            }
        }
        if (next == Clock::time_point::max())
            m_wake->wait(lock);
        else
            m_wake->wait_until(lock, next);
    }
}
