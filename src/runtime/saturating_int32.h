#pragma once

#include <cstdint>
#include <limits>

namespace tavr {

// `value` truncated toward zero and limited to the int32 range: values beyond it (infinities
// included) become the nearest int32 limit, and not-a-number becomes 0.
constexpr std::int32_t SaturatingInt32(double value) {
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (value != value) {
        return 0;
    }
    if (value >= kMax) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= kMin) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace tavr
