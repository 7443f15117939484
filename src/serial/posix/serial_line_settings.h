#pragma once

#include <termios.h>

#include "serial/serial_open_result.h"
#include "serial/serial_port_properties.h"

namespace tavr {

// Changes `settings`, as read from the driver, into the line the properties describe: raw mode
// (every byte passes unchanged, no echo, no signals), receiver on, modem status ignored for
// opening and reading, then speed (a rate of the C library's table; any other rate is left for
// SetExactBaudRate), data bits, stop bits, parity checking, parity and flow control. False when
// the driver has no such setting: data bits outside 5..8.
bool ApplyLineSettings(const SerialPortProperties& properties, termios& settings);

// Writes the line the properties describe to the terminal `fd`: the settings above, a rate
// beyond the C library's table exactly through the kernel, then the modem lines. The rate the
// driver then reports must be within 2 % of the wanted one (what a UART's receiver tolerates),
// or the device has refused it.
SerialOpenError ConfigureLine(int fd, const SerialPortProperties& properties);

// Sets RTS (off for RtsMode 1, on otherwise, unless hardware flow control drives it) and DTR
// (off for DtrMode 1, on for 2, unchanged for 0). A device without modem lines (a pseudo-
// terminal) is left as it is; false only when a device with modem lines refuses the change.
bool SetModemLines(int fd, const SerialPortProperties& properties);

}  // namespace tavr
