#include "companion/meter/port_probe.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "companion/meter/port_unit.h"
#include "serial/posix/com_port_path.h"

namespace tavr {

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kProbeBaudRate = 9600;

ComPortLocations Locations() {
    return {ComPortLinkFolder(), "/"};
}

std::string ProcessText(const std::string& pid) {
    std::string name;
    std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
    return "held by " + name + ", process " + pid;
}

// The process holding the exclusive lock on `device`, from the kernel's list of locks; empty
// when no lock is on it.
std::string LockHolderOf(const fs::path& device) {
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0) {
        return "";
    }
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%llu", major(node.st_dev), minor(node.st_dev),
                  static_cast<unsigned long long>(node.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, pid, file;
        fields >> id >> kind >> mode >> access >> pid >> file;
        if (kind == "FLOCK" && file == key) {
            return ProcessText(pid);
        }
    }
    return "";
}

// A process other than this one that has `device` open; empty when none can be seen (another
// user's processes are hidden from this one).
std::string HolderOf(const fs::path& device) {
    if (std::string holder = LockHolderOf(device); !holder.empty()) {
        return holder;
    }
    std::error_code error;
    const fs::path target = fs::canonical(device, error);
    if (error) {
        return "";
    }
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(::getpid())) {
            continue;
        }
        std::error_code ignored;
        for (const fs::directory_entry& fd :
             fs::directory_iterator(process.path() / "fd", ignored)) {
            std::error_code unreadable;
            if (fs::read_symlink(fd.path(), unreadable) == target) {
                return ProcessText(pid);
            }
        }
    }
    return "";
}

// Completes what the unit said with what helps: the process holding a port in use, the group
// advice where the unit could not name the group.
SerialOpenResult WithRemedy(SerialOpenResult result) {
    if (result.error == SerialOpenError::InUse && result.detail.empty()) {
        result.detail = HolderOf(result.device);
    }
    if (result.error == SerialOpenError::PermissionDenied && result.detail.empty()) {
        result.detail = "ask for read and write access to it, usually through the dialout group";
    }
    return result;
}

}  // namespace

const std::string_view kPortsDescription =
    "Lists every COM number that resolves to a device (the links in "
    "$XDG_CONFIG_HOME/TAVR_12864/dosdevices, then the serial devices present), the device "
    "behind it and whether you may open it; if not, why.";

const std::string_view kNoPortResolves =
    "no COM port resolves: no serial device is present and no link is in "
    "$XDG_CONFIG_HOME/TAVR_12864/dosdevices\n";

PortProbe ProbePort(std::int32_t port) {
    PortProbe probe{port, TryOpeningComPort(port, kProbeBaudRate)};
    probe.result = WithRemedy(std::move(probe.result));
    return probe;
}

std::vector<std::int32_t> ResolvingPorts() {
    const ComPortLocations locations = Locations();
    std::set<std::int32_t> ports;
    const std::size_t present = DefaultSerialDevices(locations.systemRoot).size();
    for (std::size_t n = 1; n <= present; ++n) {
        ports.insert(static_cast<std::int32_t>(n));
    }
    std::error_code error;
    if (!locations.linkFolder.empty()) {
        for (const fs::directory_entry& link :
             fs::directory_iterator(locations.linkFolder, error)) {
            const std::string name = link.path().filename().string();
            std::int32_t n = 0;
            const char* digits = name.c_str() + 3;
            const char* end = name.c_str() + name.size();
            if (name.size() > 3 && name.compare(0, 3, "com") == 0 &&
                std::from_chars(digits, end, n).ptr == end && n >= 1) {
                ports.insert(n);
            }
        }
    }
    return {ports.begin(), ports.end()};
}

std::string DescribeProbe(const PortProbe& probe) {
    if (probe.result.Succeeded()) {
        return "COM" + std::to_string(probe.port) + " (" + probe.result.device + "): may be opened";
    }
    return DescribeOpenFailure(probe.port, kProbeBaudRate, probe.result);
}

std::string OpenFailureText(const ConnectionChoice& connection, SerialOpenResult result) {
    result = WithRemedy(std::move(result));
    if (!connection.devicePath.empty()) {
        return "cannot open " + ShownDevice(connection) + ": " +
               DescribeOpenReason(connection.baud, result);
    }
    return "cannot open " + DescribeOpenFailure(connection.port, connection.baud, result);
}

std::string ShownDevice(const ConnectionChoice& connection) {
    if (!connection.devicePath.empty()) {
        // A link such as /dev/serial/by-id/... is shown with the device it leads to.
        std::error_code error;
        const fs::path target = fs::canonical(connection.devicePath, error);
        return error || target == connection.devicePath
                   ? connection.devicePath
                   : connection.devicePath + " (" + target.string() + ")";
    }
    return LookUpComPort(connection.port, Locations()).outcome.device;
}

std::filesystem::path ChosenDevice(const ConnectionChoice& connection) {
    if (!connection.devicePath.empty()) {
        return connection.devicePath;
    }
    return LookUpComPort(connection.port, Locations()).path;
}

}  // namespace tavr
