#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registers/register_reading.h"

namespace tavr {

// One message for the broker.
struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;

    bool operator==(const MqttMessage&) const = default;
};

// Where the messages of one gateway go: P (the topic prefix), D (the discovery prefix, or
// nothing without discovery) and the port the meters hang on ("COM7" or a device path).
struct TopicPlan {
    std::string prefix = "tavr12864";
    std::optional<std::string> discoveryPrefix = std::string("homeassistant");
    std::string port = "COM1";

    // P/<device>/state and P/<device>/availability.
    std::string StateTopic(int deviceId) const;
    std::string AvailabilityTopic(int deviceId) const;
    // P/availability: the gateway's own, "offline" as the connection's last will.
    std::string GatewayAvailabilityTopic() const;
};

// The text of an availability topic.
inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";

// One measurement of the state: its key in the state object, the register it comes from (none
// for the computed power), and how Home Assistant should show it.
struct StateQuantity {
    const char* key;
    const char* name;
    std::optional<std::uint16_t> address;
    const char* unit;
    const char* deviceClass;  // nullptr: Home Assistant has no class for it
    const char* stateClass;
};

// The measurements of the state object, in its order; the last is the computed power.
const std::vector<StateQuantity>& StateQuantities();

// The state object of one reading: {"time": "...", "voltage_v": 12.345, ...,
// "computed_power_w": 185.175}. Each measurement is a number in its unit, or null when the
// meter's decimals make it no number; the power is voltage × current, to the milliwatt.
std::string StatePayload(const std::string& time, const RegisterReadings& readings);

// The retained availability message of one meter.
MqttMessage AvailabilityMessage(const TopicPlan& plan, int deviceId, bool online);

// One retained Home Assistant discovery config per measurement of the meter, at
// D/sensor/<unique>/config; none without a discovery prefix.
std::vector<MqttMessage> DiscoveryMessages(const TopicPlan& plan, int deviceId);

}  // namespace tavr
