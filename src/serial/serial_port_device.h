#pragma once

#include <cstdint>
#include <functional>

#include "runtime/value.h"
#include "serial/serial_event.h"
#include "serial/serial_open_result.h"
#include "serial/serial_port_properties.h"

namespace tavr {

// The port side of a serial port control: what the control asks of the line. The product's
// implementations are the platforms' serial port units (SerialPortCore and its opening); tests
// may put a stand-in here.
class SerialPortDevice {
  public:
    // Raised on the window thread for each delivered entry; false stops the delivery (the
    // window is gone).
    using EventSink = std::function<bool(const SerialEvent&)>;

    virtual ~SerialPortDevice() = default;

    // Closes any previous connection, then opens and configures the port with `properties` and
    // starts watching it. Succeeds only when the port is open, configured and watched; a failure
    // says why and, where the port number resolved to a device, which.
    virtual SerialOpenResult Open(const SerialPortProperties& properties) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Discards unread input, then writes the bytes of `data`; returns once they have been handed
    // to the driver or the write failed. False when the port is closed or the type unsupported.
    virtual bool Send(const Value& data) = 0;

    // Window thread: takes the queued entries, or a bounded batch of them, and raises each, in
    // order, through `sink` until it returns false. Touches no member after taking the entries,
    // so `sink` may destroy the port. A device that leaves entries queued posts its notice again.
    virtual void DeliverQueued(const EventSink& sink) = 0;
};

}  // namespace tavr
