#include "toolkit/Clock.h"

#include <QMutex>

namespace {
QMutex s_mutex;
QDateTime s_frozen;
}

QDateTime Clock::now()
{
    QMutexLocker lock(&s_mutex);
    return s_frozen.isValid() ? s_frozen : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime& moment)
{
    QMutexLocker lock(&s_mutex);
    s_frozen = moment;
}

void Clock::advance(qint64 msecs)
{
    QMutexLocker lock(&s_mutex);
    if (!s_frozen.isValid())
        s_frozen = QDateTime::currentDateTime();
    s_frozen = s_frozen.addMSecs(msecs);
}

void Clock::reset()
{
    QMutexLocker lock(&s_mutex);
    s_frozen = QDateTime();
}

bool Clock::isFrozen()
{
    QMutexLocker lock(&s_mutex);
    return s_frozen.isValid();
}
