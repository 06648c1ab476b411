#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class TqvTimerThread;

// A timer whose waiting is done by a worker thread; every tick is handed to
// the GUI thread and the worker waits there until the handler has returned,
// so ticks never overlap and never pile up.
//
// A new timer reports Enabled and does not tick until Enabled or Interval is
// assigned. Each assignment that changes something lets the current worker go
// and starts a fresh one, so the next tick comes a full Interval later.
class TqvTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(quint32 Interval READ Interval WRITE setInterval)

public:
    explicit TqvTimer(QObject* owner = nullptr);
    ~TqvTimer() override;

    bool Enabled() const { return m_values->enabled.load(); }
    void setEnabled(bool enabled);

    // Milliseconds; 0 switches the timer off.
    quint32 Interval() const { return m_values->interval.load(); }
    void setInterval(quint32 interval);

    // True while a worker is counting for this timer.
    bool isRunning() const { return !m_thread.isNull(); }
    // The worker counting now, or null; each restart replaces it.
    const TqvTimerThread* currentWorker() const;

    // What the worker reads while the GUI thread may be writing it.
    struct Values
    {
        std::atomic<bool> enabled{true};
        std::atomic<quint32> interval{1000};
    };

signals:
    // Emitted on the GUI thread once per period, with this timer as sender.
    void OnTimer(QObject* sender);

private:
    void restart();
    void letGo();

    std::shared_ptr<Values> m_values;
    QPointer<TqvTimerThread> m_thread;
    // Workers already let go that may still be finishing their last wait;
    // the destructor joins them so none outlives the timer's values.
    QList<QPointer<TqvTimerThread>> m_released;
};
