#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace tavr {

// Where COM port numbers are looked up.
struct ComPortLocations {
    // Holds the links com1, com2, ...; each names the device of its port number. Empty: no links.
    std::filesystem::path linkFolder;
    // The root under which dev/ and sys/class/tty/ are scanned for the default order.
    std::filesystem::path systemRoot = "/";
};

// $XDG_CONFIG_HOME/TAVR_12864/dosdevices, with XDG_CONFIG_HOME defaulting to ~/.config. Empty
// when neither variable gives an absolute folder.
std::filesystem::path ComPortLinkFolder();

// The serial devices that port numbers follow when no link names them, COM1 first: USB serial
// adapters ttyUSB<k>, then ttyACM<k>, then the on-board ttyS<k> that have a UART behind them
// (their sysfs "type" is a known port type, not 0). Each group is in numeric order.
std::vector<std::filesystem::path> DefaultSerialDevices(const std::filesystem::path& systemRoot);

// The device of COM port `portNumber`: the link com<n> in the link folder when it exists (even
// if it points nowhere: opening it then fails), otherwise the n-th default device. Nothing for a
// port number below 1 or beyond the devices present.
std::optional<std::filesystem::path> ComPortDevicePath(int portNumber,
                                                       const ComPortLocations& locations);

}  // namespace tavr
