#pragma once

#include <cstdint>

#include "runtime/types.h"
#include "runtime/value.h"

namespace tavr {

// The value as text: a byte, short, int32 or int64 in signed decimal (a byte unsigned); a float
// by FloatToText, a double by DoubleToText; a boolean as "真" or "假"; a date-time by
// DateTimeToText; a text as a copy; a byte set or an int32 array by its raw bytes (array
// elements low byte first) up to the first zero byte; any other value as the empty text.
Text ToText(const Value& value);
Text ToText(std::int32_t value);
Text ToText(std::int64_t value);
Text ToText(float value);
Text ToText(double value);
// A null pointer is an absent text, which is the empty text.
Text ToText(const char* text);
// A C++ bool would silently print as 1 or 0; pass a Boolean to get "真" or "假".
Text ToText(bool value) = delete;

// `value` taken as unsigned 32 bits in upper-case hexadecimal digits, with no prefix and no
// leading zeros: 255 gives "FF", -1 gives "FFFFFFFF".
Text ToHexText(std::int32_t value);

}  // namespace tavr
