#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// The device IDs a meter can be set to (its address register 0000H holds 1 to 50).
inline constexpr int kLowestDeviceId = 1;
inline constexpr int kHighestDeviceId = 50;

// The meters chosen on one line: a device ID ("3"), a comma-separated list ("1,2,5"), ranges
// ("1-4") or a mix ("1-4,9"), each ID from 1 to 50. The IDs come in the order given, each once.
// Nothing, with `error` naming the entry that is wrong and why, for any other text.
std::optional<std::vector<std::uint8_t>> ParseDeviceIdList(std::string_view text,
                                                           std::string& error);

}  // namespace tavr
