#pragma once

#include <filesystem>
#include <vector>

#include "serial/serial_open_result.h"

namespace tavr {

// Where COM port numbers are looked up.
struct ComPortLocations {
    // Holds the links com1, com2, ...; each names the device of its port number. Empty: no links.
    std::filesystem::path linkFolder;
    // The root under which dev/ and sys/class/tty/ are scanned for the default order, and
    // sys/class/tty/console/active names the system's console.
    std::filesystem::path systemRoot = "/";
};

// $XDG_CONFIG_HOME/TAVR_12864/dosdevices, with XDG_CONFIG_HOME defaulting to ~/.config. Empty
// when neither variable gives an absolute folder.
std::filesystem::path ComPortLinkFolder();

// The serial devices that port numbers follow when no link names them, COM1 first: USB serial
// adapters ttyUSB<k>, then ttyACM<k>, then the on-board ttyS<k> that have a UART behind them
// (their sysfs "type" is a known port type, not 0). Each group is in numeric order. The
// system's active console is left out: reconfiguring it would wreck the console.
std::vector<std::filesystem::path> DefaultSerialDevices(const std::filesystem::path& systemRoot);

// Where a port number led.
struct ComPortLookup {
    // What to open; empty when the number names nothing (then `outcome` says why).
    std::filesystem::path path;
    // The device shown to the user (a link's target, or the default device) and, when `path` is
    // empty, BadPortNumber, PortLookupFailed or NoDevice with its detail.
    SerialOpenResult outcome;
};

// The device of COM port `portNumber`: the link com<n> in the link folder when it exists (even
// if it points nowhere: opening it then fails), otherwise the n-th default device. A link folder
// that cannot be searched fails the lookup: a link it may hold must not be overridden by the
// default order.
ComPortLookup LookUpComPort(int portNumber, const ComPortLocations& locations);

}  // namespace tavr
