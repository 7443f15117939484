#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavr {

// The port, baud rate and device ID to talk to the meter with.
struct ConnectionChoice {
    std::int32_t port = 1;
    std::int32_t baud = 2400;
    std::uint8_t deviceId = 1;
};

// The connection the window last made, from the same settings store: each remembered value is
// an index into its selector's entries (a missing or unreadable one counts as 0, the first
// entry; one beyond the entries counts as the nearest entry).
ConnectionChoice RememberedConnection();

// Stores `deviceId` as the window's remembered device ID, as the window does after writing the
// meter's address; an ID that the window's selector does not offer is not stored. False when
// nothing was stored.
bool RememberDeviceId(std::uint8_t deviceId);

// Option values, checked. Each gives nothing for a text that is not an acceptable value.
std::optional<std::int32_t> ParsePortNumber(std::string_view text);  // 1..255
std::optional<std::int32_t> ParseBaudRate(std::string_view text);    // the selector's rates
std::optional<std::uint8_t> ParseDeviceId(std::string_view text);    // 1..247

// The baud rates offered, for error messages: "2400, 4800, ...".
std::string BaudRateList();

}  // namespace tavr
