#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

// Bounds every wait of a PostgreSQL connection on its server. A network that
// stops answering without closing anything (a paused link, a laptop gone to
// sleep on the other side) leaves the client in poll() for ever: keepalives
// never fire while something on the way still acknowledges. So a thread of
// its own looks at the armed connections, and one still waiting on the
// server at its deadline has its socket shut: the call fails at once and the
// connection is known to be dead.
//
// A connection is armed before each call with the time it may take; the
// deadline covers the rows read after the call too, and does nothing once the
// connection has its answer. A connection must be forgotten before it closes.
class StatementWatchdog
{
public:
    static StatementWatchdog& instance();

    // conn is libpq's PGconn*.
    void arm(void* conn, std::chrono::milliseconds allowed);
    void forget(void* conn);
    // A connection armed now reaches its deadline at once (nothing happens
    // to one that is not watched).
    void cutNow(void* conn);
    // Whether the deadline shut this connection (since it was last armed).
    bool fired(void* conn);

    StatementWatchdog(const StatementWatchdog&) = delete;
    StatementWatchdog& operator=(const StatementWatchdog&) = delete;

private:
    StatementWatchdog();
    ~StatementWatchdog();
    void run();
    static void beforeFork();
    static void afterForkInParent();
    static void afterForkInChild();

    using Clock = std::chrono::steady_clock;
    struct Watched
    {
        Clock::time_point deadline;
        bool armed = false;
        bool fired = false;
    };
    std::mutex m_mutex;
    // On the heap: a child made by fork() gets a new one (one copied with the
    // parent's waiter in it would never let a signal through).
    std::condition_variable* m_wake = new std::condition_variable();
    std::map<void*, Watched> m_watched;
    std::thread* m_thread = nullptr;
    bool m_stop = false;
};
