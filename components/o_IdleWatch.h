#pragma once

#include <QDateTime>

#include <memory>
#include <optional>

class IdleSource;

// Notices time away from the desk while an interval runs: no input for the
// configured minutes, or a gap between clock ticks that long (the machine
// was suspended). Reports the time away once the user is back.
class TqvIdleWatch
{
public:
    struct Away
    {
        QDateTime since; // when input stopped
        QDateTime until; // when it came back
    };

    TqvIdleWatch();
    ~TqvIdleWatch();

    // 0 switches the watch off.
    void setThresholdMinutes(int minutes) { m_threshold = qint64(qMax(0, minutes)) * 60 * 1000; }
    int thresholdMinutes() const { return int(m_threshold / 60000); }
    void setSource(std::unique_ptr<IdleSource> source);
    bool hasSource() const { return m_source != nullptr; }
    bool isActive() const { return m_threshold > 0; }

    // Called about once a second while an interval runs.
    std::optional<Away> tick(const QDateTime& now);
    // Forgets what it saw (a new interval, or monitoring stopped).
    void reset();

private:
    std::unique_ptr<IdleSource> m_source;
    qint64 m_threshold = 0;
    QDateTime m_lastTick;
    QDateTime m_awaySince;
};
