#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/types.h"
#include "runtime/value.h"

namespace tavr {

// The value as a double: numbers and booleans by their value (an int64 rounded to the nearest
// double); a text read as a decimal number after narrowing its full-width forms, 0 when no
// number starts it; any other value 0.
double ToNumber(const Value& value);
double ToNumber(std::string_view text);
double ToNumber(const Text& text);
// A null pointer is an absent text, which holds no number.
double ToNumber(const char* text);

// The value as an int32: a byte zero-extended, a short sign-extended, an int64 by its low 32
// bits, a float or double truncated toward zero (beyond the int32 range the nearest limit,
// not-a-number 0); a text read as a whole number after narrowing its full-width forms (0 when no
// digit starts it, beyond the int32 range the nearest limit); any other value 0.
std::int32_t ToInteger(const Value& value);
std::int32_t ToInteger(std::string_view text);
std::int32_t ToInteger(const Text& text);
// A null pointer is an absent text, which holds no number.
std::int32_t ToInteger(const char* text);

}  // namespace tavr
