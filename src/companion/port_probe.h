#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavr {

// Whether this user may open a COM port now, and if not, why.
enum class PortState { Available, NoDevice, NoPermission, InUse, NotATerminal, Unusable };

struct PortProbe {
    std::int32_t port = 0;
    std::optional<std::filesystem::path> device;  // what the COM number resolves to
    PortState state = PortState::NoDevice;
    std::string holder;  // InUse: "process 1234 (name)" where that can be found
    std::string detail;  // Unusable: the system's error text
};

// Resolves COM port `port` and tries to open it the way the serial unit does (read/write,
// non-blocking, then an exclusive lock), closing it again at once.
PortProbe ProbePort(std::int32_t port);

// The COM numbers that resolve to a device: every com<n> link in the link folder and the
// serial devices present, in ascending order.
std::vector<std::int32_t> ResolvingPorts();

// The device a COM number names, as a person looks for it: the target of a link ("/dev/pts/3"),
// or "link to /dev/ttyUSB9, which is missing".
std::string DeviceText(const std::filesystem::path& device);

// One line for a probed port: "COM3  /dev/ttyUSB0  may be opened", or the reason it may not
// with the advice that helps (the dialout group, the process holding it).
std::string DescribeProbe(const PortProbe& probe);

// The error text when COM port `port` could not be opened at `baud`: the port, the device and
// the reason.
std::string PortFailureText(std::int32_t port, std::int32_t baud);

}  // namespace tavr
