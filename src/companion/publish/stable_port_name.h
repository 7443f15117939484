#pragma once

#include <filesystem>
#include <string>

namespace tavr {

// The name of a serial port that stays the same when its adapter is plugged in again: a device
// path such as /dev/ttyUSB0, whose number depends on the order adapters came in, becomes the
// link in `byIdFolder` that names the same device by its maker, model and serial number. Any
// other port (a COM number, a path already stable, a device with no such link) stays as given.
std::string StablePortName(const std::string& port,
                           const std::filesystem::path& byIdFolder = "/dev/serial/by-id");

}  // namespace tavr
