#include "companion/meter/port_probe.h"

#include "companion/meter/port_unit.h"
#include "companion/platform/win32/system_com_ports.h"
#include "serial/win32/com_device_path.h"

namespace tavr {

namespace {

constexpr std::int32_t kProbeBaudRate = 9600;

// The driver's device behind COM port `port` as the system lists it ("\Device\Serial0"), or
// the port's own device path ("\\.\COM3") when the system lists none.
std::string ListedDevice(std::int32_t port) {
    for (const SystemComPort& listed : ListSystemComPorts()) {
        if (listed.number == port) {
            return listed.device;
        }
    }
    const std::wstring path = ComDevicePath(port);
    // The device path is plain ASCII.
    return std::string(path.begin(), path.end());
}

}  // namespace

const std::string_view kPortsDescription =
    "Lists every COM port this machine lists "
    "(HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM, filled by the serial drivers while "
    "their devices are present), the device behind it and whether you may open it; if not, why.";

const std::string_view kNoPortResolves =
    "no COM port resolves: this machine lists no serial port\n";

PortProbe ProbePort(std::int32_t port) {
    PortProbe probe{port, TryOpeningComPort(port, kProbeBaudRate)};
    if (probe.result.Succeeded()) {
        probe.result.device = ListedDevice(port);
    }
    return probe;
}

std::vector<std::int32_t> ResolvingPorts() {
    std::vector<std::int32_t> ports;
    for (const SystemComPort& listed : ListSystemComPorts()) {
        ports.push_back(listed.number);
    }
    return ports;
}

std::string DescribeProbe(const PortProbe& probe) {
    if (probe.result.Succeeded()) {
        return "COM" + std::to_string(probe.port) + " (" + probe.result.device + "): may be opened";
    }
    return DescribeOpenFailure(probe.port, kProbeBaudRate, probe.result);
}

std::string OpenFailureText(const ConnectionChoice& connection, SerialOpenResult result) {
    if (!connection.devicePath.empty()) {
        return "cannot open " + connection.devicePath + ": " +
               DescribeOpenReason(connection.baud, result);
    }
    return "cannot open " + DescribeOpenFailure(connection.port, connection.baud, result);
}

std::string ShownDevice(const ConnectionChoice& connection) {
    return connection.devicePath.empty() ? ListedDevice(connection.port) : connection.devicePath;
}

std::filesystem::path ChosenDevice(const ConnectionChoice& connection) {
    return ShownDevice(connection);
}

}  // namespace tavr
