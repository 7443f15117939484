#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavr {

// The entries of the main window's three connection selectors, in their order. A remembered
// selection is an index into these lists.
inline constexpr std::array<std::int32_t, 7> kBaudRateEntries = {2400,  4800,  9600,  14400,
                                                                 19200, 38400, 115200};
inline constexpr std::int32_t kFirstDeviceIdEntry = 1;
inline constexpr std::int32_t kLastDeviceIdEntry = 50;
inline constexpr std::int32_t kFirstPortNumberEntry = 1;
inline constexpr std::int32_t kLastPortNumberEntry = 20;

// The three remembered connection settings: the selection indexes (not the numbers shown) of the
// device-ID, baud-rate and port selectors, as decimal texts under the current user's key
// "Software\TAVR_12864".
inline constexpr std::string_view kModbusIdPath = "Software\\TAVR_12864\\Modbus_id";
inline constexpr std::string_view kModbusBaudPath = "Software\\TAVR_12864\\Modbus_btl";
inline constexpr std::string_view kModbusPortPath = "Software\\TAVR_12864\\Modbus_com";

}  // namespace tavr
