#include "companion/publish/mqtt_payloads.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>

#include "companion/meter/window_catalogue.h"
#include "companion/publish/writable_settings.h"

namespace tavr {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kModel = "TAVR_12864";
constexpr const char* kProgram = "tavr-12864-cli";
constexpr int kPowerDecimalsAtMost = 3;
constexpr std::chrono::seconds kShortestExpiry{10};
constexpr int kPeriodsBeforeExpiry = 3;
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

// "tavr12864_com7_id3"; a device path's port becomes "dev_ttyusb0", a named line
// "tavr12864_battery-room_id3".
std::string DeviceIdentifier(const TopicPlan& plan, const MeterPlace& meter) {
    std::string line = IdPart(meter.lineName.empty() ? meter.port : meter.lineName);
    line.erase(0, line.find_first_not_of('_'));
    for (char& c : line) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return IdPart(plan.prefix) + "_" + line + "_id" + std::to_string(meter.deviceId);
}

json NumberOrNull(const std::optional<double>& number) {
    return number ? json(*number) : json(nullptr);
}

std::string GatewayIdentifier(const TopicPlan& plan) {
    return IdPart(plan.prefix) + "_gateway";
}

// Who made the discovery messages, as Home Assistant lists it for every entity.
json Origin() {
    return {{"name", kProgram}, {"sw", TAVR_VERSION}};
}

// A setting's maximum or step in its unit; a whole number for a setting without decimals.
json ScaledNumber(std::uint32_t raw, int decimals) {
    if (decimals == 0) {
        return json(raw);
    }
    return json(static_cast<double>(raw) / std::pow(10.0, decimals));
}

// What every entity of one meter shares: its device and when it is available.
struct MeterEntityParts {
    std::string device;
    json deviceBlock;
    json availability;
};

MeterEntityParts EntityPartsOf(const TopicPlan& plan, const MeterPlace& meter) {
    const std::string device = DeviceIdentifier(plan, meter);
    const std::string line = meter.lineName.empty() ? meter.port : meter.lineName;
    json deviceBlock = {
        {"identifiers", json::array({device})},
        {"name", std::string(kModel) + " " + std::to_string(meter.deviceId) + " on " + line},
        {"model", kModel},
        {"via_device", GatewayIdentifier(plan)},
    };
    // The meter is available while the gateway is connected and the meter answers.
    json availability = json::array({
        {{"topic", plan.AvailabilityTopic(meter)}},
        {{"topic", plan.GatewayAvailabilityTopic()}},
    });
    return {device, std::move(deviceBlock), std::move(availability)};
}

// The number entity of one writable setting; nothing when the window's catalogue gives the
// setting no scale.
std::optional<MqttMessage> SettingDiscoveryMessage(const TopicPlan& plan, const MeterPlace& meter,
                                                   const MeterEntityParts& parts,
                                                   const WritableSetting& setting,
                                                   const RegisterCatalogue& catalogue) {
    const std::optional<SettingScale> scale = ScaleOf(setting.address, catalogue);
    if (!scale) {
        return std::nullopt;
    }
    const std::string unique = parts.device + "_" + setting.key;
    json config = {
        {"name", setting.name},
        {"unique_id", unique},
        {"command_topic", plan.SettingCommandTopic(meter, setting.key)},
        {"state_topic", plan.StateTopic(meter)},
        {"value_template", std::string("{{ value_json.") + setting.key + " }}"},
        {"min", 0},
        {"max", ScaledNumber(scale->maximumRaw, scale->decimals)},
        {"step", ScaledNumber(1, scale->decimals)},
        {"mode", "box"},
        {"entity_category", "config"},
        {"availability", parts.availability},
        {"availability_mode", "all"},
        {"device", parts.deviceBlock},
        {"o", Origin()},
    };
    if (!scale->unit.empty()) {
        config["unit_of_measurement"] = scale->unit;
    }
    return MqttMessage{*plan.discoveryPrefix + "/number/" + unique + "/config", config.dump(),
                       true};
}

std::optional<int> DecimalsOf(const RegisterCatalogue& catalogue, std::uint16_t address) {
    const Text decimals = catalogue.Entry(address).decimals;
    if (decimals.size() != 1 || decimals[0] < '0' || decimals[0] > '3') {
        return std::nullopt;
    }
    return decimals[0] - '0';
}

}  // namespace

std::string MeterPlace::LineLevel() const {
    if (!lineName.empty()) {
        return lineName;
    }
    std::string level = IdPart(port);
    level.erase(0, level.find_first_not_of('_'));
    return level;
}

std::string TopicPlan::MeterTopic(const MeterPlace& meter, const std::string& leaf) const {
    const std::string line = meter.lineInTopics ? meter.LineLevel() + '/' : "";
    return prefix + '/' + line + std::to_string(meter.deviceId) + '/' + leaf;
}

std::string TopicPlan::StateTopic(const MeterPlace& meter) const {
    return MeterTopic(meter, "state");
}

std::string TopicPlan::AvailabilityTopic(const MeterPlace& meter) const {
    return MeterTopic(meter, "availability");
}

std::string TopicPlan::GatewayAvailabilityTopic() const {
    return prefix + "/availability";
}

std::optional<std::string> TopicPlan::BirthTopic() const {
    if (!discoveryPrefix) {
        return std::nullopt;
    }
    return *discoveryPrefix + "/status";
}

std::string TopicPlan::SettingCommandTopic(const MeterPlace& meter, const std::string& key) const {
    return MeterTopic(meter, "set/" + key);
}

std::string TopicPlan::SettingCommandFilter(const MeterPlace& meter) const {
    return MeterTopic(meter, "set/+");
}

std::vector<std::string> TopicPlan::SettingCommandFilters() const {
    return {prefix + "/+/set/+", prefix + "/+/+/set/+"};
}

std::optional<std::string> TopicPlan::SettingKeyOf(const MeterPlace& meter,
                                                   const std::string& topic) const {
    const std::string start = MeterTopic(meter, "set/");
    if (topic.size() <= start.size() || topic.compare(0, start.size(), start) != 0 ||
        topic.find('/', start.size()) != std::string::npos) {
        return std::nullopt;
    }
    return topic.substr(start.size());
}

std::string TopicPlan::WriteResultTopic(const MeterPlace& meter) const {
    return MeterTopic(meter, "write_result");
}

const std::vector<StateQuantity>& StateQuantities() {
    static const std::vector<StateQuantity> quantities = {
        {"voltage_v", "Voltage", 0x03, "V", "voltage", "measurement", QuantityPlace::Dashboard},
        {"current_a", "Current", 0x04, "A", "current", "measurement", QuantityPlace::Dashboard},
        {"temperature_c", "Temperature", 0x05, "°C", "temperature", "measurement",
         QuantityPlace::Dashboard},
        {"temperature2_c", "Second temperature", 0x06, "°C", "temperature", "measurement",
         QuantityPlace::Disabled},
        {"remaining_ah", "Remaining charge", 0x07, "Ah", nullptr, "measurement",
         QuantityPlace::Dashboard},
        {"energy_wh", "Energy", 0x08, "Wh", "energy", "total_increasing", QuantityPlace::Dashboard},
        {"charge_percent", "Charge", 0x0B, "%", "battery", "measurement", QuantityPlace::Dashboard},
        {"voltage2_v", "Second voltage", 0x1E, "V", "voltage", "measurement",
         QuantityPlace::Disabled},
        {"cycle_count", "Cycle count", 0x22, nullptr, nullptr, "total_increasing",
         QuantityPlace::Diagnostic},
        {kPowerKey, "Power (computed)", std::nullopt, "W", "power", "measurement",
         QuantityPlace::Dashboard},
    };
    return quantities;
}

std::string StatePayload(const std::string& time, const RegisterReadings& readings,
                         const std::vector<std::uint16_t>& settings) {
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
    for (const std::uint16_t address : settings) {
        if (const WritableSetting* setting = WritableSettingAt(address)) {
            state[setting->key] = NumberOrNull(readings[address].number);
        }
    }
    return state.dump();
}

MqttMessage AvailabilityMessage(const TopicPlan& plan, const MeterPlace& meter, bool online) {
    return {plan.AvailabilityTopic(meter), online ? kOnline : kOffline, true};
}

std::vector<std::optional<int>> DisplayPrecision(const RegisterCatalogue& catalogue) {
    std::vector<std::optional<int>> precision;
    for (const StateQuantity& quantity : StateQuantities()) {
        if (quantity.address) {
            precision.push_back(DecimalsOf(catalogue, *quantity.address));
            continue;
        }
        const std::optional<int> volts = DecimalsOf(catalogue, kVoltage);
        const std::optional<int> amps = DecimalsOf(catalogue, kCurrent);
        precision.push_back(volts && amps
                                ? std::optional<int>(std::min(*volts + *amps, kPowerDecimalsAtMost))
                                : std::nullopt);
    }
    return precision;
}

std::chrono::seconds ExpireAfter(std::chrono::milliseconds every) {
    return std::max(kShortestExpiry,
                    std::chrono::ceil<std::chrono::seconds>(every * kPeriodsBeforeExpiry));
}

std::vector<MqttMessage> DiscoveryMessages(const TopicPlan& plan, const MeterPlace& meter,
                                           const DiscoveryDetails& details) {
    std::vector<MqttMessage> messages;
    if (!plan.discoveryPrefix) {
        return messages;
    }
    const MeterEntityParts parts = EntityPartsOf(plan, meter);
    const std::vector<StateQuantity>& quantities = StateQuantities();
    for (std::size_t k = 0; k < quantities.size(); ++k) {
        const StateQuantity& quantity = quantities[k];
        const std::string unique = parts.device + "_" + quantity.key;
        json config = {
            {"name", quantity.name},
            {"unique_id", unique},
            {"state_topic", plan.StateTopic(meter)},
            {"value_template", std::string("{{ value_json.") + quantity.key + " }}"},
            {"state_class", quantity.stateClass},
            {"expire_after", details.expireAfter.count()},
            {"availability", parts.availability},
            {"availability_mode", "all"},
            {"device", parts.deviceBlock},
            {"o", Origin()},
        };
        if (quantity.unit != nullptr) {
            config["unit_of_measurement"] = quantity.unit;
        }
        if (quantity.deviceClass != nullptr) {
            config["device_class"] = quantity.deviceClass;
        }
        if (k < details.precision.size() && details.precision[k]) {
            config["suggested_display_precision"] = *details.precision[k];
        }
        if (quantity.place == QuantityPlace::Diagnostic) {
            config["entity_category"] = "diagnostic";
        }
        if (quantity.place == QuantityPlace::Disabled) {
            config["enabled_by_default"] = false;
        }
        messages.push_back(
            {*plan.discoveryPrefix + "/sensor/" + unique + "/config", config.dump(), true});
    }
    // A setting's scale never follows the meter's decimals: the window's catalogue gives it.
    const RegisterCatalogue catalogue = WindowCatalogue();
    for (const std::uint16_t address : details.writable) {
        const WritableSetting* setting = WritableSettingAt(address);
        if (setting == nullptr) {
            continue;
        }
        if (std::optional<MqttMessage> number =
                SettingDiscoveryMessage(plan, meter, parts, *setting, catalogue)) {
            messages.push_back(std::move(*number));
        }
    }
    return messages;
}

std::optional<MqttMessage> GatewayDiscoveryMessage(const TopicPlan& plan) {
    if (!plan.discoveryPrefix) {
        return std::nullopt;
    }
    const std::string gateway = GatewayIdentifier(plan);
    const json config = {
        {"name", "Broker connection"},
        {"unique_id", gateway + "_connected"},
        {"state_topic", plan.GatewayAvailabilityTopic()},
        {"payload_on", kOnline},
        {"payload_off", kOffline},
        {"device_class", "connectivity"},
        {"entity_category", "diagnostic"},
        {"device",
         {{"identifiers", json::array({gateway})},
          {"name", std::string(kProgram) + " gateway " + plan.prefix},
          {"model", kProgram},
          {"sw_version", TAVR_VERSION}}},
        {"o", Origin()},
    };
    return MqttMessage{*plan.discoveryPrefix + "/binary_sensor/" + gateway + "/config",
                       config.dump(), true};
}

}  // namespace tavr
