#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "companion/meter/connection_choice.h"
#include "serial/serial_open_result.h"
#include "serial/serial_port_device.h"
#include "serial/serial_port_properties.h"

namespace tavr {

// The platform's serial port unit; `postQueueReady` is called on the watcher thread when
// entries are queued (see the unit's poster).
std::unique_ptr<SerialPortDevice> MakePortUnit(std::function<void()> postQueueReady);

// Opens `unit`, made by MakePortUnit, on the chosen port: its COM number, or a device's path
// where the platform opens ports by path.
SerialOpenResult OpenChosenPort(SerialPortDevice& unit, const ConnectionChoice& connection,
                                const SerialPortProperties& properties);

// Opens COM port `port` at `baudRate` with the platform's unit, as every command would, and
// closes it at once: what opening it would meet now.
SerialOpenResult TryOpeningComPort(std::int32_t port, std::int32_t baudRate);

}  // namespace tavr
