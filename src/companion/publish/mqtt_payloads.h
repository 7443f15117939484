#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registers/register_catalogue.h"
#include "registers/register_reading.h"

namespace tavr {

// One message for the broker.
struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;

    bool operator==(const MqttMessage&) const = default;
};

// Where one meter hangs: the line it is on (its port, "COM7" or a device path, and the name the
// user gave the line, if any) and its device ID. On a gateway of several lines its topics carry
// the line as a level of their own, since device IDs repeat from line to line.
struct MeterPlace {
    std::string port = "COM1";
    std::string lineName;
    bool lineInTopics = false;
    int deviceId = 1;

    // The line's topic level: its name, else its port made one level ("dev_ttyUSB0").
    std::string LineLevel() const;
};

// Where the messages of one gateway go: P (the topic prefix) and D (the discovery prefix, or
// nothing without discovery).
struct TopicPlan {
    std::string prefix = "tavr12864";
    std::optional<std::string> discoveryPrefix = std::string("homeassistant");

    // P/<device>/state and P/<device>/availability; P/<line>/<device>/... with several lines.
    std::string StateTopic(const MeterPlace& meter) const;
    std::string AvailabilityTopic(const MeterPlace& meter) const;
    // P/availability: the gateway's own, "offline" as the connection's last will.
    std::string GatewayAvailabilityTopic() const;
    // D/status, where Home Assistant says "online" when it (re)starts; nothing without discovery.
    std::optional<std::string> BirthTopic() const;

    // P/<device>/set/<key>: where Home Assistant commands one setting of the meter.
    std::string SettingCommandTopic(const MeterPlace& meter, const std::string& key) const;
    // P/<device>/set/+: the subscription that takes every setting command of the meter.
    std::string SettingCommandFilter(const MeterPlace& meter) const;
    // The filters that take every meter's commands, of a gateway of one line or several:
    // P/+/set/+ and P/+/+/set/+.
    std::vector<std::string> SettingCommandFilters() const;
    // The key a setting command topic of this meter ends in; nothing for any other topic.
    std::optional<std::string> SettingKeyOf(const MeterPlace& meter,
                                            const std::string& topic) const;
    // P/<device>/write_result: how each setting command ended.
    std::string WriteResultTopic(const MeterPlace& meter) const;

  private:
    std::string MeterTopic(const MeterPlace& meter, const std::string& leaf) const;
};

// The text of an availability topic.
inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";

// Where Home Assistant puts a measurement: on the dashboard, among the device's diagnostics, or
// nowhere until the user enables it (values most meters' wiring leaves without meaning).
enum class QuantityPlace { Dashboard, Diagnostic, Disabled };

// One measurement of the state: its key in the state object, the register it comes from (none
// for the computed power), and how Home Assistant should show it.
struct StateQuantity {
    const char* key;
    const char* name;
    std::optional<std::uint16_t> address;
    const char* unit;
    const char* deviceClass;  // nullptr: Home Assistant has no class for it
    const char* stateClass;
    QuantityPlace place;
};

// The measurements of the state object, in its order; the last is the computed power.
const std::vector<StateQuantity>& StateQuantities();

// The state object of one reading: {"time": "...", "voltage_v": 12.345, ...,
// "computed_power_w": 185.175}, then the current value of each setting among `settings` (the
// registers Home Assistant may write) under its key: ..., "capacity_ah": 100.0}. Each value is
// a number in its unit, or null when the meter's decimals make it no number; the power is
// voltage × current, to the milliwatt.
std::string StatePayload(const std::string& time, const RegisterReadings& readings,
                         const std::vector<std::uint16_t>& settings = {});

// The retained availability message of one meter.
MqttMessage AvailabilityMessage(const TopicPlan& plan, const MeterPlace& meter, bool online);

// What a meter's discovery says beyond its topics: how many decimals each measurement shows (in
// the order of StateQuantities; nothing where the meter gives no number of decimals) and after
// how long a value that no new reading confirmed is shown as unavailable; and the registers
// Home Assistant may write (see WritableSettings), each shown as a number entity.
struct DiscoveryDetails {
    std::vector<std::optional<int>> precision;
    std::chrono::seconds expireAfter{10};
    std::vector<std::uint16_t> writable{};

    bool operator==(const DiscoveryDetails&) const = default;
};

// The decimals each measurement shows, from a meter's catalogue, which decoding keeps at the
// meter's own decimals (0002H); the computed power shows those of voltage and current together,
// to the milliwatt at most.
std::vector<std::optional<int>> DisplayPrecision(const RegisterCatalogue& catalogue);

// About three poll periods, and never less than 10 s.
std::chrono::seconds ExpireAfter(std::chrono::milliseconds every);

// One retained Home Assistant discovery config per measurement of the meter, at
// D/sensor/<unique>/config, then one per writable setting, at D/number/<unique>/config (a box
// from 0 to the setting's maximum in steps of its last decimal, among the device's
// configuration, reading its value from the state and commanded on its setting command topic);
// none without a discovery prefix. The meter's device hangs on the gateway's device; its ids are
// made of the line's name, else of its port, and the device ID.
std::vector<MqttMessage> DiscoveryMessages(const TopicPlan& plan, const MeterPlace& meter,
                                           const DiscoveryDetails& details);

// The gateway's own device in Home Assistant (this program and its version), shown by one
// connectivity sensor on its availability topic; nothing without a discovery prefix.
std::optional<MqttMessage> GatewayDiscoveryMessage(const TopicPlan& plan);

}  // namespace tavr
