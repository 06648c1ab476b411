#pragma once

#include <QString>

#include <optional>

// Durations as people type them into the week grid: "1:30", "1.5" (or
// "1,5"), "90m", "2h", "1h30"; an empty text is no time at all. Read as
// whole minutes; decimal hours are rounded to the nearest minute.
namespace DurationText {

// The minutes, or nothing when the text is no duration.
std::optional<qint64> minutes(const QString& text);
// What a text may look like, for the message about one that is not.
QString forms();

} // namespace DurationText
