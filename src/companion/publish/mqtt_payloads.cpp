#include "companion/publish/mqtt_payloads.h"

#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>

namespace tavr {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kModel = "TAVR_12864";
constexpr const char* kPowerKey = "computed_power_w";
constexpr std::uint16_t kVoltage = 0x03;
constexpr std::uint16_t kCurrent = 0x04;

// Topic levels and Home Assistant's ids take letters, digits, '_' and '-'.
std::string IdPart(const std::string& text) {
    std::string id;
    for (const char c : text) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        id += plain ? c : '_';
    }
    return id;
}

// "tavr12864_com7_id3"; a device path's port becomes "dev_ttyusb0".
std::string DeviceIdentifier(const TopicPlan& plan, int deviceId) {
    std::string port = IdPart(plan.port);
    port.erase(0, port.find_first_not_of('_'));
    for (char& c : port) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return IdPart(plan.prefix) + "_" + port + "_id" + std::to_string(deviceId);
}

json NumberOrNull(const std::optional<double>& number) {
    return number ? json(*number) : json(nullptr);
}

}  // namespace

std::string TopicPlan::StateTopic(int deviceId) const {
    return prefix + '/' + std::to_string(deviceId) + "/state";
}

std::string TopicPlan::AvailabilityTopic(int deviceId) const {
    return prefix + '/' + std::to_string(deviceId) + "/availability";
}

std::string TopicPlan::GatewayAvailabilityTopic() const {
    return prefix + "/availability";
}

const std::vector<StateQuantity>& StateQuantities() {
    static const std::vector<StateQuantity> quantities = {
        {"voltage_v", "Voltage", 0x03, "V", "voltage", "measurement"},
        {"current_a", "Current", 0x04, "A", "current", "measurement"},
        {"temperature_c", "Temperature", 0x05, "°C", "temperature", "measurement"},
        {"temperature2_c", "Second temperature", 0x06, "°C", "temperature", "measurement"},
        {"remaining_ah", "Remaining charge", 0x07, "Ah", nullptr, "measurement"},
        {"energy_wh", "Energy", 0x08, "Wh", "energy", "total_increasing"},
        {"charge_percent", "Charge", 0x0B, "%", "battery", "measurement"},
        {"voltage2_v", "Second voltage", 0x1E, "V", "voltage", "measurement"},
        {"cycle_count", "Cycle count", 0x22, nullptr, nullptr, "total_increasing"},
        {kPowerKey, "Power (computed)", std::nullopt, "W", "power", "measurement"},
    };
    return quantities;
}

std::string StatePayload(const std::string& time, const RegisterReadings& readings) {
    json state = json::object();
    state["time"] = time;
    for (const StateQuantity& quantity : StateQuantities()) {
        if (quantity.address) {
            state[quantity.key] = NumberOrNull(readings[*quantity.address].number);
        }
    }
    const std::optional<double>& volts = readings[kVoltage].number;
    const std::optional<double>& amps = readings[kCurrent].number;
    state[kPowerKey] =
        volts && amps ? json(std::round(*volts * *amps * 1000.0) / 1000.0) : json(nullptr);
    return state.dump();
}

MqttMessage AvailabilityMessage(const TopicPlan& plan, int deviceId, bool online) {
    return {plan.AvailabilityTopic(deviceId), online ? kOnline : kOffline, true};
}

std::vector<MqttMessage> DiscoveryMessages(const TopicPlan& plan, int deviceId) {
    std::vector<MqttMessage> messages;
    if (!plan.discoveryPrefix) {
        return messages;
    }
    const std::string device = DeviceIdentifier(plan, deviceId);
    const json deviceBlock = {
        {"identifiers", json::array({device})},
        {"name", std::string(kModel) + " " + std::to_string(deviceId) + " on " + plan.port},
        {"model", kModel},
    };
    // The meter is available while the gateway is connected and the meter answers.
    const json availability = json::array({
        {{"topic", plan.AvailabilityTopic(deviceId)}},
        {{"topic", plan.GatewayAvailabilityTopic()}},
    });
    for (const StateQuantity& quantity : StateQuantities()) {
        const std::string unique = device + "_" + quantity.key;
        json config = {
            {"name", quantity.name},
            {"unique_id", unique},
            {"state_topic", plan.StateTopic(deviceId)},
            {"value_template", std::string("{{ value_json.") + quantity.key + " }}"},
            {"state_class", quantity.stateClass},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", deviceBlock},
        };
        if (quantity.unit != nullptr) {
            config["unit_of_measurement"] = quantity.unit;
        }
        if (quantity.deviceClass != nullptr) {
            config["device_class"] = quantity.deviceClass;
        }
        messages.push_back(
            {*plan.discoveryPrefix + "/sensor/" + unique + "/config", config.dump(), true});
    }
    return messages;
}

}  // namespace tavr
