#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace tavr {

// Rows `first` to `last` (both included) of one meter's readings, to be joined by a line.
struct Stretch {
    std::size_t first = 0;
    std::size_t last = 0;
};

// A gap between two readings longer than this many median periods is missing readings, and no
// line crosses it: a step from +15 A to -20 A across it is not a ramp.
inline constexpr double kGapPeriods = 3;

// The median time between consecutive readings, counting only those that move forward; 0 when
// there are none.
double MedianPeriod(const std::vector<double>& seconds);

// The stretches of rows with a value that follow one another without a gap: a stretch ends
// before an empty value, before a time longer than kGapPeriods median periods after the last
// one, and before a time that goes backwards (the clock was set back).
std::vector<Stretch> UnbrokenStretches(const std::vector<double>& seconds,
                                       const std::vector<std::optional<double>>& values);

}  // namespace tavr
