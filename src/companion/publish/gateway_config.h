#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "companion/publish/broker_url.h"
#include "companion/publish/mqtt_payloads.h"
#include "companion/publish/publish_run.h"

namespace tavr {

// A file the configuration names (a relative path is taken from the configuration's folder),
// and where it names it, for messages about the file: "gateway.toml:4: broker.cafile".
struct NamedFile {
    std::string path;
    std::string where;
};

// The gateway's configuration file, read and checked: the broker and the topics ([broker]),
// one entry per serial line ([[line]]) and the settings Home Assistant may write ([writes]).
struct GatewayConfig {
    BrokerUrl broker;
    std::optional<std::string> username;
    std::optional<NamedFile> passwordFile;
    std::optional<NamedFile> caFile;
    TopicPlan topics;
    // Each line's connection: what the file gives, else the window's remembered baud rate and
    // IDs, a time-out of 1000 ms, no retries and a period of 1 s.
    std::vector<PublishLine> lines;
    // The registers [writes] allow (ParseWriteAllowance); none without [writes].
    std::vector<std::uint16_t> writable;
};

// The configuration in the TOML file at `path`. Nothing, with `error` set, when the file cannot
// be read or is not sound: a syntax error, an unknown table or key, a value of the wrong type or
// one that the matching publish option would refuse, a password kept in the file, two lines on
// one port or of one name, no line at all. The error names the file, the line and the key:
// "gateway.toml:12: line[2].baud: 9601 is not one of 2400, 4800, ...".
std::optional<GatewayConfig> ReadGatewayConfig(const std::string& path, std::string& error);

// The same for a configuration's text, read from `path`.
std::optional<GatewayConfig> ParseGatewayConfig(std::string_view text, const std::string& path,
                                                std::string& error);

}  // namespace tavr
