#include "components/o_QVTimer.h"

#include "components/o_QVTimerThread.h"

TqvTimer::TqvTimer(QObject* owner)
    : QObject(owner)
    , m_values(std::make_shared<Values>())
{
}

TqvTimer::~TqvTimer()
{
    letGo();
    // Every worker has been told to stop and none waits for us any more, so
    // joining them is quick and none is left reading a dead timer's values.
    for (const QPointer<TqvTimerThread>& thread : std::as_const(m_released))
        if (thread)
            thread->wait();
}

void TqvTimer::setEnabled(bool enabled)
{
    m_values->enabled.store(enabled);
    restart();
}

void TqvTimer::setInterval(quint32 interval)
{
    if (interval == m_values->interval.load())
        return;
    m_values->interval.store(interval);
    restart();
}

const TqvTimerThread* TqvTimer::currentWorker() const
{
    return m_thread.data();
}

void TqvTimer::restart()
{
    letGo();
    if (!m_values->enabled.load())
        return;
    if (m_values->interval.load() == 0) {
        // A zero period would spin; it means "off".
        setEnabled(false);
        return;
    }
    m_thread = new TqvTimerThread(this, m_values);
    m_thread->start();
}

void TqvTimer::letGo()
{
    m_released.removeAll(QPointer<TqvTimerThread>());
    if (!m_thread)
        return;
    m_thread->requestStop();
    m_released << m_thread;
    m_thread.clear();
}
