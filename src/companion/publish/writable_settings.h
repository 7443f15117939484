#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// What `--allow-write` and the configuration's allow list name: keys of WritableSettings, or
// "all-settings" for every one of them.
inline constexpr std::string_view kAllSettings = "all-settings";

// The registers the given keys allow, in register order, each once. Nothing, with `error` naming
// the first unknown key and listing the known ones, when a key is not a writable setting.
std::optional<std::vector<std::uint16_t>> ParseWriteAllowance(const std::vector<std::string>& keys,
                                                              std::string& error);

}  // namespace tavr
