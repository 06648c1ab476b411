#pragma once

// What a field of an in-memory table accepts, and how its values read.

#include "toolkit/MemTable.h"

class MemColumn;

namespace FieldValues {

// The value as the field would store it (typed, text cut to its width);
// throws AppError when the field cannot hold it.
QVariant convert(const FieldDef& field, const QVariant& value);
// Dates "yyyy-MM-dd", date-times "yyyy-MM-dd HH:mm:ss", floats with up to
// four decimals, flags "True"/"False", null as "".
QString displayText(const MemColumn& column, size_t row);

} // namespace FieldValues
