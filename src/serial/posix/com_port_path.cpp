#include "serial/posix/com_port_path.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace tavr {
namespace {

// The absolute folder an environment variable names, or nothing.
std::optional<std::filesystem::path> AbsoluteFolderFrom(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    std::filesystem::path folder(value);
    if (!folder.is_absolute()) {
        return std::nullopt;
    }
    return folder;
}

// The number k of a device name "<prefix><k>", or nothing when the name has another form.
std::optional<unsigned long> DeviceIndex(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    unsigned long index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return index;
}

// The names "<prefix><k>" present in `devFolder`, in numeric order of k.
std::vector<std::string> NumberedDevices(const std::filesystem::path& devFolder,
                                         std::string_view prefix) {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(devFolder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (const auto index = DeviceIndex(name, prefix)) {
            found.emplace_back(*index, std::move(name));
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found) {
        names.push_back(std::move(entry.second));
    }
    return names;
}

// An on-board port has a UART behind it when its sysfs port type is known; the kernel creates
// ttyS nodes for every possible legacy port, and those without hardware report type 0.
bool HasUart(const std::filesystem::path& systemRoot, const std::string& name) {
    std::ifstream typeFile(systemRoot / "sys/class/tty" / name / "type");
    int type = 0;
    return static_cast<bool>(typeFile >> type) && type != 0;
}

// The terminals the kernel's console writes to ("tty0 ttyS0"): a console on a serial port is
// common on servers and virtual machines.
std::set<std::string> ConsoleTerminals(const std::filesystem::path& systemRoot) {
    std::ifstream active(systemRoot / "sys/class/tty/console/active");
    std::set<std::string> names;
    for (std::string name; active >> name;) {
        names.insert(std::move(name));
    }
    return names;
}

std::string LowerInitial(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::string DefaultOrderShortfall(std::size_t found) {
    std::ostringstream text;
    text << "no dosdevices link and ";
    if (found == 0) {
        text << "no serial ports found";
    } else {
        text << "only " << found << (found == 1 ? " serial port found" : " serial ports found");
    }
    return text.str();
}

std::string LinkTarget(const std::filesystem::path& link) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(link, error);
    return error ? link.string() : target.string();
}

}  // namespace

std::filesystem::path ComPortLinkFolder() {
    std::optional<std::filesystem::path> configHome = AbsoluteFolderFrom("XDG_CONFIG_HOME");
    if (!configHome) {
        const std::optional<std::filesystem::path> home = AbsoluteFolderFrom("HOME");
        if (!home) {
            return {};
        }
        configHome = *home / ".config";
    }
    return *configHome / "TAVR_12864" / "dosdevices";
}

std::vector<std::filesystem::path> DefaultSerialDevices(const std::filesystem::path& systemRoot) {
    const std::filesystem::path devFolder = systemRoot / "dev";
    const std::set<std::string> consoles = ConsoleTerminals(systemRoot);
    std::vector<std::filesystem::path> devices;
    const auto add = [&](const std::string& name) {
        if (!consoles.contains(name)) {
            devices.push_back(devFolder / name);
        }
    };
    for (const std::string_view prefix : {"ttyUSB", "ttyACM"}) {
        for (const std::string& name : NumberedDevices(devFolder, prefix)) {
            add(name);
        }
    }
    for (const std::string& name : NumberedDevices(devFolder, "ttyS")) {
        if (HasUart(systemRoot, name)) {
            add(name);
        }
    }
    return devices;
}

ComPortLookup LookUpComPort(int portNumber, const ComPortLocations& locations) {
    ComPortLookup lookup;
    if (portNumber < 1) {
        lookup.outcome.error = SerialOpenError::BadPortNumber;
        return lookup;
    }
    if (!locations.linkFolder.empty()) {
        std::filesystem::path link = locations.linkFolder / ("com" + std::to_string(portNumber));
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::symlink_status(link, error);
        if (std::filesystem::exists(status)) {
            lookup.outcome.device = LinkTarget(link);
            lookup.path = std::move(link);
            return lookup;
        }
        // Not found (no folder, or no such link) lets the default order decide; any other
        // error (no permission, a loop) leaves it unknown whether a link names the port.
        if (error && error != std::errc::no_such_file_or_directory &&
            error != std::errc::not_a_directory) {
            lookup.outcome.error = SerialOpenError::PortLookupFailed;
            lookup.outcome.detail =
                locations.linkFolder.string() + ": " + LowerInitial(error.message());
            return lookup;
        }
    }
    const std::vector<std::filesystem::path> devices = DefaultSerialDevices(locations.systemRoot);
    if (static_cast<std::size_t>(portNumber) > devices.size()) {
        lookup.outcome.error = SerialOpenError::NoDevice;
        lookup.outcome.detail = DefaultOrderShortfall(devices.size());
        return lookup;
    }
    lookup.path = devices[static_cast<std::size_t>(portNumber) - 1];
    lookup.outcome.device = lookup.path.string();
    return lookup;
}

}  // namespace tavr
