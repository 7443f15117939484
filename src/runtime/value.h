#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "runtime/types.h"

namespace tavr {

// A 32-bit truth value: 0 is false, anything else true.
struct Boolean {
    std::int32_t value = 0;
};

// A point in time as a double counting days (day 0 is 1899-12-30, fractions are the time of day).
struct DateTime {
    double days = 0.0;
};

using Int32Array = std::vector<std::int32_t>;

// Any value handed to a service that takes "any value". std::monostate stands for a value of
// a type the service does not know.
using Value = std::variant<std::monostate, std::uint8_t, std::int16_t, std::int32_t, std::int64_t,
                           float, double, Boolean, DateTime, Text, ByteSet, TextArray, Int32Array>;

}  // namespace tavr
