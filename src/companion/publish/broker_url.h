#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavr {

// Where `publish` sends its messages: mqtt://HOST[:PORT] (plain, port 1883 by default) or
// mqtts://HOST[:PORT] (TLS, port 8883). An IPv6 address is written in brackets: mqtt://[::1].
struct BrokerUrl {
    bool tls = false;
    std::string host;
    int port = 0;

    // True for the host names and addresses of this machine itself: "localhost", 127.0.0.0/8,
    // ::1. A password sent there in plain text never leaves the machine.
    bool IsLoopback() const;
    // "mqtts://broker.lan:8883", for messages.
    std::string Text() const;
};

// Nothing, with `error` set, for another text (another scheme, a path, a user in the URL, a
// port outside 1..65535).
std::optional<BrokerUrl> ParseBrokerUrl(std::string_view text, std::string& error);

}  // namespace tavr
