#include "components/o_IdleWatch.h"

#include "toolkit/IdleSource.h"

TqvIdleWatch::TqvIdleWatch() = default;
TqvIdleWatch::~TqvIdleWatch() = default;

void TqvIdleWatch::setSource(std::unique_ptr<IdleSource> source)
{
    m_source = std::move(source);
    reset();
}

void TqvIdleWatch::reset()
{
    m_lastTick = QDateTime();
    m_awaySince = QDateTime();
}

std::optional<TqvIdleWatch::Away> TqvIdleWatch::tick(const QDateTime& now)
{
    if (m_threshold <= 0)
        return std::nullopt;
    const QDateTime previous = m_lastTick;
    m_lastTick = now;

    // A suspended machine delivers no ticks: a long gap is time away.
    if (previous.isValid() && previous.msecsTo(now) >= m_threshold) {
        const QDateTime since = m_awaySince.isValid() ? m_awaySince : previous;
        m_awaySince = QDateTime();
        return Away{since, now};
    }
    if (!m_source)
        return std::nullopt;
    const qint64 idle = m_source->idleMSecs();
    if (idle < 0)
        return std::nullopt;
    if (idle >= m_threshold) {
        if (!m_awaySince.isValid())
            m_awaySince = now.addMSecs(-idle);
        return std::nullopt;
    }
    if (m_awaySince.isValid()) {
        const Away away{m_awaySince, now.addMSecs(-idle)};
        m_awaySince = QDateTime();
        return away;
    }
    return std::nullopt;
}
