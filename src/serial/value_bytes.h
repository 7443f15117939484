#pragma once

#include <optional>

#include "runtime/value.h"

namespace tavr {

// The bytes a port sends for a value: a byte set's bytes; a text's bytes without a terminator;
// a number's own little-endian bytes (1 for a byte, 2 for a short, 4 for an int32, a float or a
// boolean, 8 for an int64, a double or a date-time). Nothing for arrays and unknown types.
std::optional<ByteSet> BytesOfValue(const Value& value);

}  // namespace tavr
