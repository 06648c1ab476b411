#include "components/o_QVTimerThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct TqvTimerThread::Handover
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;    // the timer let this thread go
    bool pending = false; // a tick is on its way to the GUI thread
};

TqvTimerThread::TqvTimerThread(TqvTimer* timer, std::shared_ptr<const TqvTimer::Values> values)
    : m_timer(timer)
    , m_values(std::move(values))
    , m_handover(std::make_shared<Handover>())
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TqvTimerThread::~TqvTimerThread() = default;

void TqvTimerThread::requestStop()
{
    std::lock_guard<std::mutex> lock(m_handover->mutex);
    m_handover->stop = true;
    m_handover->wake.notify_all();
}

// The stop flag is set on the GUI thread before the timer goes away, so a
// tick that finds it clear has a live timer.
void TqvTimerThread::deliverTick()
{
    const std::shared_ptr<Handover> handover = m_handover;
    TqvTimer* const timer = m_timer;
    {
        std::lock_guard<std::mutex> lock(handover->mutex);
        if (handover->stop) {
            handover->pending = false;
            handover->wake.notify_all();
            return;
        }
    }
    // Release the worker however the handler ends; it may even delete the timer.
    struct Release
    {
        Handover& handover;
        ~Release()
        {
            std::lock_guard<std::mutex> lock(handover.mutex);
            handover.pending = false;
            handover.wake.notify_all();
        }
    } release{*handover};
    emit timer->OnTimer(timer);
}

void TqvTimerThread::run()
{
    const std::shared_ptr<Handover> handover = m_handover;
    std::unique_lock<std::mutex> lock(handover->mutex);
    while (!handover->stop && m_values->enabled.load()) {
        const std::chrono::milliseconds period(m_values->interval.load());
        m_phase.store(Phase::Waiting);
        if (handover->wake.wait_for(lock, period, [&] { return handover->stop; }))
            break;
        handover->pending = true;
        m_phase.store(Phase::HandingOver);
        // A queued call on this object, which lives on the GUI thread and is
        // freed only after run() has returned. It carries no data of ours:
        // everything the GUI side reads was set before the thread started or
        // is guarded by the handover lock.
        QMetaObject::invokeMethod(this, "deliverTick", Qt::QueuedConnection);
        handover->wake.wait(lock, [&] { return handover->stop || !handover->pending; });
    }
    m_phase.store(Phase::Ended);
}
