#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "companion/connection_choice.h"
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

// The COM numbers that resolve to a device: every com<n> link in the link folder and the
// serial devices present, in ascending order.
std::vector<std::int32_t> ResolvingPorts();

// One line for a probed port: "COM3 (/dev/ttyUSB0): may be opened", or why it may not, with
// what helps (the group that may open it, the process holding it).
std::string DescribeProbe(const PortProbe& probe);

// The error text when the chosen port did not open with `result`: the port, the device, the
// reason and what helps.
std::string OpenFailureText(const ConnectionChoice& connection, SerialOpenResult result);

// The device the chosen port names now, as the user knows it; empty when it names none.
std::string ShownDevice(const ConnectionChoice& connection);

}  // namespace tavr
