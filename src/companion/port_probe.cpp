#include "companion/port_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "serial/com_port_path.h"
#include "serial/unique_fd.h"

namespace tavr {

namespace {

namespace fs = std::filesystem;

ComPortLocations Locations() {
    return {ComPortLinkFolder(), "/"};
}

std::string ProcessText(const std::string& pid) {
    std::string name;
    std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
    return "process " + pid + " (" + name + ")";
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

// A process other than this one that has `device` open, as "process 1234 (name)"; empty when
// none can be seen (another user's processes are hidden from this one).
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

PortState StateOfOpenError(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return PortState::NoPermission;
        case EBUSY:
            return PortState::InUse;
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return PortState::NoDevice;
        default:
            return PortState::Unusable;
    }
}

void TryOpen(PortProbe& probe) {
    const UniqueFd fd(::open(probe.device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        probe.state = StateOfOpenError(errno);
        probe.detail = std::strerror(errno);
        return;
    }
    termios settings{};
    if (::tcgetattr(fd.Get(), &settings) != 0) {
        probe.state = PortState::NotATerminal;
        return;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        probe.state = errno == EWOULDBLOCK ? PortState::InUse : PortState::Unusable;
        probe.detail = std::strerror(errno);
        return;
    }
    ::flock(fd.Get(), LOCK_UN);
    probe.state = PortState::Available;
}

}  // namespace

std::string DeviceText(const fs::path& device) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(device, error))) {
        return device.string();
    }
    const fs::path target = fs::canonical(device, error);
    if (error) {
        return "link to " + fs::read_symlink(device, error).string() + ", which is missing";
    }
    return target.string();
}

PortProbe ProbePort(std::int32_t port) {
    PortProbe probe;
    probe.port = port;
    probe.device = ComPortDevicePath(port, Locations());
    if (!probe.device) {
        return probe;
    }
    TryOpen(probe);
    if (probe.state == PortState::InUse) {
        probe.holder = HolderOf(*probe.device);
    }
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
    const std::string port = "COM" + std::to_string(probe.port);
    if (!probe.device) {
        return port + "  no device";
    }
    const std::string head = port + "  " + DeviceText(*probe.device) + "  ";
    switch (probe.state) {
        case PortState::Available:
            return head + "may be opened";
        case PortState::NoDevice:
            return head + "no device there";
        case PortState::NoPermission:
            return head +
                   "permission denied: add your user to the group that owns the device "
                   "(usually dialout: sudo usermod -aG dialout $USER, then log in again)";
        case PortState::InUse:
            return head + "in use" + (probe.holder.empty() ? "" : " by " + probe.holder);
        case PortState::NotATerminal:
            return head + "not a serial device";
        case PortState::Unusable:
            return head + "cannot be opened: " + probe.detail;
    }
    return head;
}

std::string PortFailureText(std::int32_t port, std::int32_t baud) {
    const PortProbe probe = ProbePort(port);
    if (probe.state == PortState::Available) {
        // It opens, so the line settings were what the device refused.
        return "tavr-12864-cli: cannot open COM" + std::to_string(port) + "  " +
               DeviceText(*probe.device) + "  the device refused " + std::to_string(baud) +
               " baud, 8 data bits, no parity, one stop bit";
    }
    return "tavr-12864-cli: cannot open " + DescribeProbe(probe);
}

}  // namespace tavr
