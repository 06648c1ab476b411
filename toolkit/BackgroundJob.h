#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// One piece of long work on a thread of its own, so the window's thread
// never waits for it. The work reports how far it is and learns whether to
// stop; its outcome comes back as a signal on the owner's thread. Ending
// the owner stops the work under way and waits for it.
class BackgroundJob : public QObject
{
    Q_OBJECT
public:
    // Percent done; answers false when the work is to stop.
    using Report = std::function<bool(int percent)>;
    // Returns what it made (a path, a count: any text); throwing fails the
    // work with the error's message.
    using Work = std::function<QString(const Report& report)>;

    explicit BackgroundJob(QObject* owner = nullptr);
    ~BackgroundJob() override;

    // False (and nothing starts) while earlier work still runs.
    bool start(Work work);
    bool isRunning() const;
    // Asks the work under way to stop and waits until it has; a stopped
    // work reports nothing.
    void stop();
    // Waits up to msecs; true when no work runs.
    bool wait(unsigned long msecs);

signals:
    void progress(int percent);
    // result: what the work returned; problem: why it failed (empty when not).
    void finished(const QString& result, const QString& problem);

private:
    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<std::atomic<bool>> m_stop;
};
