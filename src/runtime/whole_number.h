#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavr {

// A whole number written in decimal digits alone ("42"; "-3" when `low` allows it), from `low`
// to `high`. Nothing for any other text: blanks, a sign "+", decimals, a number out of range.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text, std::int64_t low,
                                             std::int64_t high);

}  // namespace tavr
