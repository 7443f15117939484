#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "companion/meter/connection_choice.h"
#include "serial/serial_open_result.h"

namespace tavr {

// What the serial unit made of opening a COM port, and who holds it when it is in use.
struct PortProbe {
    std::int32_t port = 0;
    SerialOpenResult result;
};

// Opens COM port `port` with the serial unit, as every command would, and closes it at once.
// A port in use names the process holding it in the result's detail, where that can be seen.
PortProbe ProbePort(std::int32_t port);

// What "ports" does, for its help, and its line when no COM port resolves: where this system's
// ports come from.
extern const std::string_view kPortsDescription;
extern const std::string_view kNoPortResolves;

// The COM numbers that resolve to a device, in ascending order: on Linux every com<n> link in
// the link folder and the serial devices present, on Windows the ports the system lists.
std::vector<std::int32_t> ResolvingPorts();

// One line for a probed port: "COM3 (/dev/ttyUSB0): may be opened", or why it may not, with
// what helps (the group that may open it, the process holding it).
std::string DescribeProbe(const PortProbe& probe);

// The error text when the chosen port did not open with `result`: the port, the device, the
// reason and what helps.
std::string OpenFailureText(const ConnectionChoice& connection, SerialOpenResult result);

// The device the chosen port names now, as the user knows it; empty when it names none.
std::string ShownDevice(const ConnectionChoice& connection);

// The device the chosen port leads to now, compared before reopening a port after a hang-up:
// while an adapter is out, its COM number may lead to another device.
std::filesystem::path ChosenDevice(const ConnectionChoice& connection);

}  // namespace tavr
