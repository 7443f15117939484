#pragma once

#include <array>
#include <cstdint>

namespace tavr {

// The entries of the main window's three connection selectors, in their order. A remembered
// selection is an index into these lists.
inline constexpr std::array<std::int32_t, 7> BaudRateEntries = {2400,  4800,  9600,  14400,
                                                                19200, 38400, 115200};
inline constexpr std::int32_t FirstDeviceIdEntry = 1;
inline constexpr std::int32_t LastDeviceIdEntry = 50;
inline constexpr std::int32_t FirstPortNumberEntry = 1;
inline constexpr std::int32_t LastPortNumberEntry = 20;

}  // namespace tavr
