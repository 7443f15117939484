#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavr::simulator {

// A whole number written in decimal or, after "0x", in hexadecimal; nothing else may follow.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

// The same, accepted only within low..high.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text, std::int64_t low,
                                             std::int64_t high);

}  // namespace tavr::simulator
