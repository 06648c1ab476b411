#pragma once

#include "components/o_QVTimer.h"

#include <QThread>

#include <atomic>
#include <memory>

// The worker of one TqvTimer run: waits Interval, hands the tick to the GUI
// thread, waits until it has been handled, and repeats until it is told to
// stop. It frees itself when its loop ends.
//
// It never touches its timer from the worker side: it reads the shared
// values, and the timer is called only on the GUI thread after checking,
// under the handover lock, that the thread has not been let go.
class TqvTimerThread : public QThread
{
    Q_OBJECT
public:
    TqvTimerThread(TqvTimer* timer, std::shared_ptr<const TqvTimer::Values> values);
    ~TqvTimerThread() override;

    // Ends the loop at once: the current wait is cut short and a tick that
    // is waiting for the GUI thread is dropped. Safe from any thread.
    void requestStop();

    // Where the loop is; lets callers wait for a condition instead of a time.
    enum class Phase { Starting, Waiting, HandingOver, Ended };
    Phase phase() const { return m_phase.load(); }

    // State shared by the worker and the GUI-side delivery of its ticks.
    struct Handover;

protected:
    void run() override;

private slots:
    // Runs on the GUI thread, which this object belongs to.
    void deliverTick();

private:
    TqvTimer* m_timer;
    std::shared_ptr<const TqvTimer::Values> m_values;
    std::shared_ptr<Handover> m_handover;
    std::atomic<Phase> m_phase{Phase::Starting};
};
