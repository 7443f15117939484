#pragma once

#include <termios.h>

#include "serial/serial_port_properties.h"

namespace tavr {

// Changes `settings`, as read from the driver, into the line the properties describe: raw mode
// (every byte passes unchanged, no echo, no signals), receiver on, modem status ignored for
// opening and reading, then speed, data bits, stop bits, parity checking, parity and flow
// control. False when the driver has no such setting: a speed that is not a standard rate, or
// data bits outside 5..8.
bool ApplyLineSettings(const SerialPortProperties& properties, termios& settings);

// Sets RTS (off for RtsMode 1, on otherwise, unless hardware flow control drives it) and DTR
// (off for DtrMode 1, on for 2, unchanged for 0). A device without modem lines (a pseudo-
// terminal) is left as it is; false only when a device with modem lines refuses the change.
bool SetModemLines(int fd, const SerialPortProperties& properties);

}  // namespace tavr
