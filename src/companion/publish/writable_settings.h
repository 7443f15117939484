#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registers/register_catalogue.h"

namespace tavr {

// A meter setting that Home Assistant may change over MQTT once the gateway's user allows it:
// the key it is allowed by and commanded on (P/<device>/set/<key>), its register and its name.
// The device address, the output mode, the calibrations and every measurement or status
// register are not among them: a wrong value there cuts the meter off or falsifies its readings.
struct WritableSetting {
    const char* key;
    std::uint16_t address;
    const char* name;
};

// The settings in register order.
const std::vector<WritableSetting>& WritableSettings();

// The setting with this key; nothing for any other text.
const WritableSetting* FindWritableSetting(std::string_view key);

// The setting held by the register at `address`; nothing for every other register. A write
// goes out only for these registers, whatever else a caller may have let through.
const WritableSetting* WritableSettingAt(std::uint16_t address);

// How a setting's raw value stands for its value: raw = value × 10^decimals, from 0 to
// maximumRaw, in `unit` as Home Assistant writes it ("°C", "s"; empty for none).
struct SettingScale {
    int decimals = 0;
    std::uint16_t maximumRaw = 0;
    std::string unit;

    // The raw value as the value it stands for, with all its decimals: 1200 at 1 is "120.0".
    std::string ValueText(std::uint16_t raw) const;
    // "120.0 Ah", "150 s".
    std::string ValueWithUnit(std::uint16_t raw) const;
};

// The scale of the register at `address` in `catalogue`; nothing when the catalogue gives it no
// decimals from "0" to "3" or no maximum. The meter's own decimals (0002H) concern only the
// voltages and the current, so a setting's scale is the same in every meter's catalogue.
std::optional<SettingScale> ScaleOf(std::uint16_t address, const RegisterCatalogue& catalogue);

// What `--allow-write` and the configuration's allow list name: keys of WritableSettings, or
// "all-settings" for every one of them.
inline constexpr std::string_view kAllSettings = "all-settings";

// The registers the given keys allow, in register order, each once. Nothing, with `error` naming
// the first unknown key and listing the known ones, when a key is not a writable setting.
std::optional<std::vector<std::uint16_t>> ParseWriteAllowance(const std::vector<std::string>& keys,
                                                              std::string& error);

}  // namespace tavr
