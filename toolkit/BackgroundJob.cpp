#include "toolkit/BackgroundJob.h"

#include "toolkit/AppError.h"

#include <QThread>

BackgroundJob::BackgroundJob(QObject* owner)
    : QObject(owner)
{
}

BackgroundJob::~BackgroundJob()
{
    stop();
}

bool BackgroundJob::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

bool BackgroundJob::start(Work work)
{
    if (isRunning())
        return false;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    m_stop = stopFlag;
    m_thread.reset(QThread::create([this, work = std::move(work), stopFlag] {
        QString result;
        QString problem;
        int shown = -1;
        const Report report = [&](int percent) {
            if (percent != shown) {
                shown = percent;
                emit progress(percent);
            }
            return !*stopFlag;
        };
        try {
            result = work(report);
        } catch (const std::exception& error) {
            problem = errorMessage(error);
        } catch (...) {
            problem = QStringLiteral("unknown error");
        }
        if (!*stopFlag)
            emit finished(result, problem);
    }));
    m_thread->start(QThread::LowPriority);
    return true;
}

void BackgroundJob::stop()
{
    if (!m_thread)
        return;
    if (m_stop)
        *m_stop = true;
    m_thread->wait();
    m_thread.reset();
}

bool BackgroundJob::wait(unsigned long msecs)
{
    return !m_thread || m_thread->wait(msecs);
}
