#pragma once

#include <windows.h>

#include "serial/serial_port_properties.h"

namespace tavr {

// The line event mask a port waits for: received character, CTS, DSR, RLSD, break, line error
// and ring (0x1F9), with "event character received" (0x002) added when one is configured.
DWORD LineEventMask(const SerialPortProperties& properties);

// All five line time-outs equal the Timeout property.
COMMTIMEOUTS LineTimeouts(const SerialPortProperties& properties);

// Changes `state`, as read from the driver, into the line the properties describe: speed, data
// bits, stop bits, parity checking, parity, event character, binary mode, RTS and DTR, DSR
// sensitivity off, then flow control. Fields not named keep the driver's values.
void ApplyLineSettings(const SerialPortProperties& properties, DCB& state);

}  // namespace tavr
