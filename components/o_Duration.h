#pragma once

#include <QString>
#include <QVariant>

// The one way a duration reads wherever a person compares times: hours and
// minutes, "h:mm", the hours counted in full ("25:05"). Stored durations are
// hours in whole minutes (k/60), so reading one back as minutes is exact.
namespace Duration {

// The whole minutes of a stored duration in hours.
qint64 minutesOf(double hours);
// "4:30"; a minus sign before a negative span.
QString text(qint64 minutes);
// The text of a stored duration; empty when there is none (a running interval).
QString ofStoredHours(const QVariant& hours);

} // namespace Duration
