#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace tavr {

// Where a logged quantity has gaps: the one rule for the plot's line breaks and the report's
// integration, so that a line is drawn exactly where charge and energy are counted.

// Rows `first` to `last` (both included) of one meter's readings, to be joined by a line.
struct Stretch {
    std::size_t first = 0;
    std::size_t last = 0;
};

// A step between two readings longer than this many median periods is missing readings: no line
// crosses it and nothing is integrated over it (a step from +15 A to -20 A across it is not a
// ramp). A step of exactly this many periods is joined.
inline constexpr double kGapPeriods = 3;

// The median time between consecutive readings, counting only those that move forward (the
// mean of the middle two for an even count); 0 when there are none.
double MedianPeriod(const std::vector<double>& seconds);

// The stretches of rows with a value that follow one another without a gap: a stretch ends
// before an empty value, before a time longer than kGapPeriods median periods after the last
// one, and before a time that goes backwards (the clock was set back).
std::vector<Stretch> UnbrokenStretches(const std::vector<double>& seconds,
                                       const std::vector<std::optional<double>>& values);

}  // namespace tavr
