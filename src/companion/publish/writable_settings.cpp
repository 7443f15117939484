#include "companion/publish/writable_settings.h"

#include <algorithm>
#include <charconv>

namespace tavr {

namespace {

constexpr int kMostDecimals = 3;

// The catalogue's units as Home Assistant spells them.
std::string HomeAssistantUnit(const Text& unit) {
    if (unit == "℃") {
        return "°C";
    }
    if (unit == "秒") {
        return "s";
    }
    return unit;
}

}  // namespace

const std::vector<WritableSetting>& WritableSettings() {
    static const std::vector<WritableSetting> settings{
        {"capacity_ah", 0x09, "Battery capacity"},
        {"full_reset_voltage_v", 0x0A, "Full-charge reset voltage"},
        {"voltage_high_v", 0x0C, "Voltage upper limit"},
        {"voltage_low_v", 0x0D, "Voltage lower limit"},
        {"current_high_a", 0x0E, "Current upper limit"},
        {"current_low_a", 0x0F, "Current lower limit"},
        {"temperature_high_c", 0x10, "Temperature upper limit"},
        {"temperature_low_c", 0x11, "Temperature lower limit"},
        {"temperature2_high_c", 0x12, "Second temperature upper limit"},
        {"temperature2_low_c", 0x13, "Second temperature lower limit"},
        {"alarm_delay_s", 0x14, "Time allowed outside the limits"},
        {"backlight_off_s", 0x15, "Backlight off countdown"},
        {"backlight_on_current_a", 0x16, "Backlight-on discharge current"},
    };
    return settings;
}

const WritableSetting* FindWritableSetting(std::string_view key) {
    const auto& settings = WritableSettings();
    const auto found =
        std::find_if(settings.begin(), settings.end(),
                     [key](const WritableSetting& setting) { return setting.key == key; });
    return found == settings.end() ? nullptr : &*found;
}

const WritableSetting* WritableSettingAt(std::uint16_t address) {
    const auto& settings = WritableSettings();
    const auto found = std::find_if(
        settings.begin(), settings.end(),
        [address](const WritableSetting& setting) { return setting.address == address; });
    return found == settings.end() ? nullptr : &*found;
}

std::string SettingScale::ValueText(std::uint16_t raw) const {
    std::string digits = std::to_string(raw);
    if (decimals == 0) {
        return digits;
    }
    const auto places = static_cast<std::size_t>(decimals);
    if (digits.size() <= places) {
        digits.insert(0, places + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - places, 1, '.');
    return digits;
}

std::string SettingScale::ValueWithUnit(std::uint16_t raw) const {
    return unit.empty() ? ValueText(raw) : ValueText(raw) + " " + unit;
}

std::optional<SettingScale> ScaleOf(std::uint16_t address, const RegisterCatalogue& catalogue) {
    const RegisterEntry entry = catalogue.Entry(address);
    if (entry.decimals.size() != 1 || entry.decimals[0] < '0' ||
        entry.decimals[0] > '0' + kMostDecimals) {
        return std::nullopt;
    }
    std::uint16_t maximum = 0;
    const char* const end = entry.maximum.data() + entry.maximum.size();
    const auto [stop, fault] = std::from_chars(entry.maximum.data(), end, maximum);
    if (entry.maximum.empty() || fault != std::errc() || stop != end) {
        return std::nullopt;
    }
    return SettingScale{entry.decimals[0] - '0', maximum, HomeAssistantUnit(entry.unit)};
}

std::optional<std::vector<std::uint16_t>> ParseWriteAllowance(const std::vector<std::string>& keys,
                                                              std::string& error) {
    std::vector<std::uint16_t> allowed;
    for (const std::string& key : keys) {
        if (key == kAllSettings) {
            for (const WritableSetting& setting : WritableSettings()) {
                allowed.push_back(setting.address);
            }
            continue;
        }
        const WritableSetting* setting = FindWritableSetting(key);
        if (setting == nullptr) {
            error = key + " is not a setting that can be written over MQTT; one of " +
                    std::string(kAllSettings);
            for (const WritableSetting& known : WritableSettings()) {
                error += std::string(", ") + known.key;
            }
            return std::nullopt;
        }
        allowed.push_back(setting->address);
    }
    std::sort(allowed.begin(), allowed.end());
    allowed.erase(std::unique(allowed.begin(), allowed.end()), allowed.end());
    return allowed;
}

}  // namespace tavr
