#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/types.h"

namespace tavr {

// A COM port that a serial driver has announced: its number and the driver's device behind it.
struct SystemComPort {
    std::int32_t number = 0;
    Text device;

    bool operator==(const SystemComPort&) const = default;
};

// The number of a port name "COM<n>" (any letter case, n from 1 to 255, no leading zero, nothing
// after it); nothing for any other name, such as LPT1 or COM0.
std::optional<std::int32_t> ComPortNumber(std::wstring_view name);

// The ports a key lists the way Windows' device map does: each value is named after a driver's
// device and holds the port name. Sorted by number, each number once; values that name no COM
// port are left out. Empty when the key is missing, as it is on a machine without serial ports.
std::vector<SystemComPort> ListComPortsUnder(HKEY root, const std::wstring& keyPath);

// The COM ports of this machine, from HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, which the
// serial drivers (USB adapters included) fill while their devices are present.
std::vector<SystemComPort> ListSystemComPorts();

}  // namespace tavr
