#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// The port, baud rate and meters to talk to, and how long to wait for each.
struct ConnectionChoice {
    std::int32_t port = 1;
    // A serial device given by its path ("/dev/ttyUSB0"); empty: the COM number `port`.
    std::string devicePath;
    std::int32_t baud = 2400;
    // The meter a single request goes to: the first of `deviceIds`.
    std::uint8_t deviceId = 1;
    // Every meter chosen, polled in this order.
    std::vector<std::uint8_t> deviceIds{1};
    // How long a request waits for the meter once it is on the line.
    std::chrono::milliseconds timeout{1000};
    // How many times a read without an intact answer is asked again.
    int retries = 2;

    // The port as the user named it: "COM7" or the device path.
    std::string PortName() const;

    bool operator==(const ConnectionChoice&) const = default;
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

// The baud rates offered, for error messages: "2400, 4800, ...".
std::string BaudRateList();

}  // namespace tavr
