#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace tavr {

// Why a port did not open. The same reasons on every platform; the words that only one platform
// can give (how it looked the port number up, what the user can do) travel in the detail.
enum class SerialOpenError {
    None,
    BadPortNumber,        // below 1
    PortLookupFailed,     // the table that maps port numbers to devices cannot be read
    NoDevice,             // the number names no device, or the device is missing
    PermissionDenied,     // the user may not open the device
    InUse,                // another program holds the device
    NotACharacterDevice,  // the name leads to a file, a folder or a block device
    NotATerminal,         // a device, but no serial line
    BaudRateRefused,      // the device cannot run at the baud rate
    LineSettingsRefused,  // the device refuses the data bits, parity, stop bits or flow control
    SystemError,          // anything else the system refused; the detail says what
};

// What Open made of the port number.
struct SerialOpenResult {
    SerialOpenError error = SerialOpenError::None;
    // What the port number resolved to, as the user knows it ("/dev/ttyUSB0", "\\.\COM3"); empty
    // when it resolved to nothing.
    std::string device;
    // Completes the reason: for NoDevice how the number was looked up, for PermissionDenied the
    // remedy, for PortLookupFailed and SystemError the system's own message. May be empty.
    std::string detail;

    bool Succeeded() const { return error == SerialOpenError::None; }
};

// One line for the user, e.g. "COM3: no device (no dosdevices link and only 2 serial ports
// found)" or "COM1 (/dev/ttyUSB0): baud rate 14400 refused by the device". Empty for a success.
Text DescribeOpenFailure(std::int32_t portNumber, std::int32_t baudRate,
                         const SerialOpenResult& result);

// The reason alone, as DescribeOpenFailure words it after the port: "permission denied — ...".
// Empty for a success.
Text DescribeOpenReason(std::int32_t baudRate, const SerialOpenResult& result);

}  // namespace tavr
