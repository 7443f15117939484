#include "companion/meter/write_input.h"

#include <charconv>

#include "companion/meter/register_address.h"
#include "runtime/to_number.h"

namespace tavr {

namespace {

constexpr std::uint16_t kDeviceAddressRegister = 0x00;
constexpr std::uint16_t kOutputModeRegister = 0x1B;
// Output modes below this one (0 HEX, 1 TXT) leave Modbus mode.
constexpr std::uint16_t kModbusOutputMode = 2;

}  // namespace

std::string OutputModeWarning() {
    return "001BH (output mode) 0 (HEX) or 1 (TXT) takes the meter out of Modbus mode: it then no "
           "longer answers on this line, so neither this program nor the window can set it back. "
           "Such a value is refused unless --force is given.";
}

std::optional<WriteInput> CheckWriteInput(std::string_view addressText, std::string_view valueText,
                                          const RegisterCatalogue& catalogue, bool force,
                                          std::string& error) {
    const std::optional<std::uint16_t> address = ParseRegisterAddress(addressText);
    if (!address) {
        error = std::string(addressText) + " is not a register address (0000H to 0022H)";
        return std::nullopt;
    }
    const std::int64_t maximum = ToInteger(catalogue.Entry(*address).maximum);
    const std::int64_t minimum = *address == kDeviceAddressRegister ? 1 : 0;
    const std::string range = "from " + std::to_string(minimum) + " to " + std::to_string(maximum);
    const std::string name = RegisterName(*address);
    if (!valueText.empty() && valueText[0] == '-') {
        error = "the value of " + name + " cannot be negative: give a raw value " + range;
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, failure] =
        std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
    if (valueText.empty() || end != valueText.data() + valueText.size() ||
        (failure != std::errc() && failure != std::errc::result_out_of_range)) {
        error = "\"" + std::string(valueText) + "\" is not a whole number: give the raw value of " +
                name + " " + range + " (no decimals, no unit)";
        return std::nullopt;
    }
    if (failure == std::errc::result_out_of_range || value > static_cast<std::uint64_t>(maximum)) {
        error = std::string(valueText) + " is above the largest raw value of " + name + ", " +
                std::to_string(maximum);
        return std::nullopt;
    }
    if (static_cast<std::int64_t>(value) < minimum) {
        error = "0000H is the device address: give one " + range +
                " (0 is the broadcast address, which the meter never answers)";
        return std::nullopt;
    }
    if (*address == kOutputModeRegister && value < kModbusOutputMode && !force) {
        error = "output mode " + std::to_string(value) + " (" + (value == 0 ? "HEX" : "TXT") +
                ") takes the meter out of Modbus mode; it would no longer answer on this line and "
                "could not be set back from here. Give --force to write it anyway";
        return std::nullopt;
    }
    return WriteInput{*address, static_cast<std::uint16_t>(value)};
}

}  // namespace tavr
