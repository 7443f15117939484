#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "companion/meter/polling_run.h"
#include "companion/platform/console.h"
#include "companion/platform/exit_status.h"
#include "companion/publish/mqtt_client.h"
#include "companion/publish/mqtt_payloads.h"

namespace tavr {

// One serial line of the gateway: its meters (the connection's deviceIds), how they are polled,
// and the name the user gave it (empty: none).
struct PublishLine {
    PollPlan poll;
    std::string name;

    bool operator==(const PublishLine&) const = default;
};

struct PublishOptions {
    std::vector<PublishLine> lines;
    TopicPlan topics;
    MqttConnectOptions mqtt;
    // The registers Home Assistant may write (see WritableSettings); none unless the user
    // allowed them.
    std::vector<std::uint16_t> writable;
};

// Reads the options again (the configuration file may have changed): nothing, with `error`
// saying why, when the new ones are not sound.
using PublishReload = std::function<std::optional<PublishOptions>(std::string& error)>;

// Connects to the broker, then polls each line's meters on a thread of its own, one after
// another every `every` (one request each, waiting for its answer or the time-out, asked again
// `retries` times) and publishes each reading's state, each meter's availability and, at every
// connection, the discovery configs. Reading goes on while the broker is away, from the start
// on; a port missing at the start is waited for like a pulled adapter. On a hang-up signal,
// `reload` (when given) reads the options again and the lines and broker change to them. Ends
// after `duration` or when interrupted, with a summary per meter. BrokerUnavailable when the
// broker refuses the login or TLS fails at the start, or the broker was never reached;
// PortUnavailable when the port of a timed run's only line cannot be opened at the start;
// NoAnswer when no meter ever answered.
ExitStatus RunPublish(const PublishOptions& options, Console& console,
                      const PublishReload& reload = {});

}  // namespace tavr
