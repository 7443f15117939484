#pragma once

#include <cstdint>

#include "framework/serial_port.h"
#include "framework/window_system.h"

namespace tavr {

// The program: builds the main window on `system`, shows it, raises its created event and runs
// the message loop until the operator closes it. The port gets its device from `makeDevice`.
// Returns the exit code, 0.
std::int32_t ProgramMain(WindowSystem& system, const SerialPort::DeviceFactory& makeDevice);

}  // namespace tavr
