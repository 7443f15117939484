#pragma once

#include <optional>
#include <string>

#include "companion/meter/connection_choice.h"

namespace tavr {

// The values a connection is chosen by, as texts (an option's value, or a configuration file's
// value written out), with the one set of checks that the command line and the gateway's
// configuration file share. Each check returns why a text is refused ("9601 is not one of 2400,
// 4800, ..."), or an empty text when it is sound.

// How long a request waits for an answer, in milliseconds.
inline constexpr int kShortestTimeoutMs = 10;
inline constexpr int kLongestTimeoutMs = 60'000;
// How often a read without an intact answer is asked again.
inline constexpr int kMostRetries = 10;

// A COM number from 1 to 255 or a device path ("/dev/ttyUSB0").
std::string PortProblem(const std::string& text);
std::string BaudProblem(const std::string& text);
// A list of device IDs (ParseDeviceIdList); `onlyOne`: a command that talks to one meter.
std::string IdsProblem(const std::string& text, bool onlyOne = false);
std::string TimeoutProblem(const std::string& text);
std::string RetriesProblem(const std::string& text);

// Connection values that were given, each checked by its check above; those not given leave
// the connection they are applied to as it is.
struct ConnectionValues {
    std::optional<std::string> port;
    std::optional<std::string> baud;
    std::optional<std::string> ids;
    std::optional<std::string> timeout;
    std::optional<std::string> retries;

    // Whether any value was given.
    bool Any() const;
    // `base` with the given values in place of its own.
    ConnectionChoice AppliedTo(ConnectionChoice base) const;
};

}  // namespace tavr
