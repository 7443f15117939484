#include "companion/connection_choice.h"

#include <algorithm>
#include <charconv>

#include "protocol/connection_settings.h"
#include "runtime/registry.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"
#include "ui/selector_entries.h"

namespace tavr {

namespace {

constexpr std::int32_t CurrentUser = 3;
constexpr std::int32_t HighestPortNumber = 255;

// The remembered selection index at `path`, limited to a selector of `entryCount` entries.
std::int32_t RememberedIndex(std::string_view path, std::int32_t entryCount) {
    return std::clamp(ToInteger(ReadRegistryText(CurrentUser, path)), 0, entryCount - 1);
}

std::optional<std::int32_t> ParseWhole(std::string_view text, std::int32_t low, std::int32_t high) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string ConnectionChoice::PortName() const {
    return devicePath.empty() ? "COM" + std::to_string(port) : devicePath;
}

ConnectionChoice RememberedConnection() {
    const std::int32_t portCount = LastPortNumberEntry - FirstPortNumberEntry + 1;
    const std::int32_t idCount = LastDeviceIdEntry - FirstDeviceIdEntry + 1;
    const std::int32_t baudCount = static_cast<std::int32_t>(BaudRateEntries.size());
    ConnectionChoice choice;
    choice.port = FirstPortNumberEntry + RememberedIndex(ModbusPortPath, portCount);
    choice.baud =
        BaudRateEntries[static_cast<std::size_t>(RememberedIndex(ModbusBaudPath, baudCount))];
    choice.deviceId =
        static_cast<std::uint8_t>(FirstDeviceIdEntry + RememberedIndex(ModbusIdPath, idCount));
    choice.deviceIds = {choice.deviceId};
    return choice;
}

bool RememberDeviceId(std::uint8_t deviceId) {
    if (deviceId < FirstDeviceIdEntry || deviceId > LastDeviceIdEntry) {
        return false;
    }
    return WriteRegistry(CurrentUser, ModbusIdPath, ToText(deviceId - FirstDeviceIdEntry));
}

std::optional<std::int32_t> ParsePortNumber(std::string_view text) {
    return ParseWhole(text, 1, HighestPortNumber);
}

std::optional<std::int32_t> ParseBaudRate(std::string_view text) {
    const std::optional<std::int32_t> baud = ParseWhole(text, 1, BaudRateEntries.back());
    if (!baud ||
        std::find(BaudRateEntries.begin(), BaudRateEntries.end(), *baud) == BaudRateEntries.end()) {
        return std::nullopt;
    }
    return baud;
}

std::string BaudRateList() {
    std::string list;
    for (const std::int32_t baud : BaudRateEntries) {
        list += (list.empty() ? "" : ", ") + std::to_string(baud);
    }
    return list;
}

}  // namespace tavr
