#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace tavr {

// A positive number of seconds, decimals allowed ("2", "0.5"), to the millisecond; nothing for
// another text, zero, or more than a day.
std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text);

// A positive duration: a number with an optional unit s, m, h or d ("90", "90s", "10m",
// "1.5h"); seconds without a unit. Nothing for another text or zero.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text);

}  // namespace tavr
