#include "companion/meter/connection_choice.h"

#include <algorithm>

#include "registers/selector_entries.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"
#include "runtime/whole_number.h"
#include "settings/registry.h"

namespace tavr {

namespace {

constexpr RegistryRoot kCurrentUser = RegistryRoot::CurrentUser;
constexpr std::int32_t kHighestPortNumber = 255;

// The remembered selection index at `path`, limited to a selector of `entryCount` entries.
std::int32_t RememberedIndex(std::string_view path, std::int32_t entryCount) {
    return std::clamp(ToInteger(ReadRegistryText(kCurrentUser, path)), 0, entryCount - 1);
}

}  // namespace

std::string ConnectionChoice::PortName() const {
    return devicePath.empty() ? "COM" + std::to_string(port) : devicePath;
}

ConnectionChoice RememberedConnection() {
    const std::int32_t portCount = kLastPortNumberEntry - kFirstPortNumberEntry + 1;
    const std::int32_t idCount = kLastDeviceIdEntry - kFirstDeviceIdEntry + 1;
    const std::int32_t baudCount = static_cast<std::int32_t>(kBaudRateEntries.size());
    ConnectionChoice choice;
    choice.port = kFirstPortNumberEntry + RememberedIndex(kModbusPortPath, portCount);
    choice.baud =
        kBaudRateEntries[static_cast<std::size_t>(RememberedIndex(kModbusBaudPath, baudCount))];
    choice.deviceId =
        static_cast<std::uint8_t>(kFirstDeviceIdEntry + RememberedIndex(kModbusIdPath, idCount));
    choice.deviceIds = {choice.deviceId};
    return choice;
}

bool RememberDeviceId(std::uint8_t deviceId) {
    if (deviceId < kFirstDeviceIdEntry || deviceId > kLastDeviceIdEntry) {
        return false;
    }
    return WriteRegistry(kCurrentUser, kModbusIdPath, ToText(deviceId - kFirstDeviceIdEntry));
}

std::optional<std::int32_t> ParsePortNumber(std::string_view text) {
    const auto port = ParseWholeNumber(text, 1, kHighestPortNumber);
    return port ? std::optional(static_cast<std::int32_t>(*port)) : std::nullopt;
}

std::optional<std::int32_t> ParseBaudRate(std::string_view text) {
    const auto baud = ParseWholeNumber(text, 1, kBaudRateEntries.back());
    if (!baud || std::find(kBaudRateEntries.begin(), kBaudRateEntries.end(), *baud) ==
                     kBaudRateEntries.end()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*baud);
}

std::string BaudRateList() {
    std::string list;
    for (const std::int32_t baud : kBaudRateEntries) {
        list += (list.empty() ? "" : ", ") + std::to_string(baud);
    }
    return list;
}

}  // namespace tavr
