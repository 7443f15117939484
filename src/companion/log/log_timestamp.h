#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tavr {

// ISO 8601 local time with milliseconds and the local offset: "2026-12-07T23:45:01.250+01:00".
std::string LocalTimestamp(std::chrono::system_clock::time_point time);

// The moment a LocalTimestamp text (or one without milliseconds, or ending in "Z") stands for,
// in seconds since 1970-01-01T00:00:00Z. Nothing for another text.
std::optional<double> ParseTimestamp(std::string_view text);

}  // namespace tavr
