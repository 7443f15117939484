#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tavr {

// A positive number of seconds, decimals allowed ("2", "0.5"), to the millisecond, from 0.001 s
// to a day. Nothing for another text, with `problem` saying what is wrong and naming the limit
// that was passed ("is shorter than the shortest period, 0.001 s").
std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text, std::string& problem);

// A poll period: a duration as ParseDuration reads it ("2", "0.5s", "2m"), within ParseSeconds's
// limits, with `problem` set as theirs.
std::optional<std::chrono::milliseconds> ParsePeriod(std::string_view text, std::string& problem);

// A positive duration: numbers with the units d, h, m and s, largest first ("90s", "10m",
// "1m30s", "1.5h", "2d12h"), or a number of seconds without a unit ("90"); at most 10000 days.
// Nothing for another text, with `problem` set as for ParseSeconds.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text, std::string& problem);

}  // namespace tavr
