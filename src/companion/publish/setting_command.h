#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "companion/publish/writable_settings.h"
#include "registers/register_catalogue.h"

namespace tavr {

// A command from the broker to change one setting of a meter: the key its topic ends in
// (P/<device>/set/<key>), its payload as sent, and whether the broker delivered it retained.
struct SettingCommand {
    std::string key;
    std::string payload;
    bool retained = false;
};

// What a command asks to write: the setting's register and the raw value, with the scale that
// shows the value in its unit.
struct SettingWrite {
    std::string key;
    std::uint16_t address = 0;
    std::uint16_t raw = 0;
    SettingScale scale;
};

// A command checked: the write it asks for, or why it is refused.
struct CheckedSettingCommand {
    std::optional<SettingWrite> write;
    std::string refusal;  // empty when there is a write
};

// Checks a command before anything goes on the line. It is refused when it came retained (a
// retained command would be carried out again at every reconnection), when its key is not a
// writable setting among the `allowed` registers, when its payload is not a plain decimal
// number ("120", "120.5", "-0"; no exponent, comma, "nan" or "inf"; blanks around it are
// ignored), when it has more decimals than the setting (zeros at the end excepted), or when it
// lies below 0 or above the setting's maximum in `catalogue`. The raw value is the number's
// digits shifted by the setting's decimals, exactly: "120" and "120.0" are 1200 at 1 decimal.
CheckedSettingCommand CheckSettingCommand(const SettingCommand& command,
                                          const std::vector<std::uint16_t>& allowed,
                                          const RegisterCatalogue& catalogue);

}  // namespace tavr
