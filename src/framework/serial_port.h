#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/control.h"
#include "runtime/value.h"
#include "serial/serial_port_device.h"
#include "serial/serial_port_properties.h"

namespace tavr {

// A serial port unit as a control of a window (non-visual): it keeps the line properties,
// forwards Open, Close and Send to its device, and raises the device's queued events on the
// window thread. Destroying the window closes the port.
class SerialPort final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::SerialPort;

    // Called by the device when entries wait and no delivery is on its way (from its watcher
    // thread, or from a delivery that left entries behind); it posts a delivery to the window
    // thread. Safe to call from any thread, and after the control has gone.
    using QueueReadyPoster = std::function<void()>;
    // Makes the port's device, handing it the poster it must call. The product passes
    // SerialPortUnit's constructor; tests pass a stand-in.
    using DeviceFactory =
        std::function<std::unique_ptr<SerialPortDevice>(QueueReadyPoster postQueueReady)>;

    SerialPort(Window& owner, Text name, const DeviceFactory& makeDevice);
    ~SerialPort() override;  // closes the port

    // The line properties (8..19, clamped on write); they take effect at the next Open.
    SerialPortProperties& Properties() { return properties_; }
    const SerialPortProperties& Properties() const { return properties_; }

    // Closes any previous connection, then opens the port with the current properties. True
    // when the port is open, configured and watched.
    bool Open();
    // Why the last Open failed, as one line naming the port, the device it resolved to and the
    // reason; empty after a successful Open.
    const Text& LastOpenFailure() const { return lastOpenFailure_; }
    void Close();
    bool IsOpen() const;
    // Discards unread input, then writes the bytes of `data`; false when the port is closed or
    // the type unsupported.
    bool Send(const Value& data);

    // When the events being raised reached the window thread, on its clock: the bytes of one
    // delivery arrived together, so its handlers need not read the clock once per byte.
    std::int64_t DeliveredAt() const { return deliveredAt_; }

    // One received byte, 0..255 (event 1).
    std::function<void(std::int32_t byte)> onDataArrival;
    // A line event, a CommEventCode 1..10 (event 0).
    std::function<void(std::int32_t code)> onCommEvent;

  private:
    void WindowCreated() override;
    void WindowClosing() override;

    QueueReadyPoster MakeQueueReadyPoster();
    // Window thread: raises the events the device hands over (a bounded batch) in order,
    // stopping once the window is closed.
    void DeliverQueued();
    void RaiseEvent(const SerialEvent& event) const;

    SerialPortProperties properties_;
    // Lets a posted delivery find out, on the window thread, whether this control still exists.
    std::shared_ptr<SerialPort*> alive_;
    std::unique_ptr<SerialPortDevice> device_;
    Text lastOpenFailure_;
    std::int64_t deliveredAt_ = 0;
};

}  // namespace tavr
