#include "companion/write_input.h"

#include <charconv>

#include "companion/register_address.h"
#include "runtime/to_number.h"

namespace tavr {

namespace {

constexpr std::uint16_t DeviceAddressRegister = 0x00;

}  // namespace

std::optional<WriteInput> CheckWriteInput(std::string_view addressText, std::string_view valueText,
                                          const RegisterCatalogue& catalogue, std::string& error) {
    const std::optional<std::uint16_t> address = ParseRegisterAddress(addressText);
    if (!address) {
        error = std::string(addressText) + " is not a register address (0000H to 0022H)";
        return std::nullopt;
    }
    const std::int64_t maximum = ToInteger(catalogue.Entry(*address).maximum);
    const std::int64_t minimum = *address == DeviceAddressRegister ? 1 : 0;
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
    return WriteInput{*address, static_cast<std::uint16_t>(value)};
}

}  // namespace tavr
