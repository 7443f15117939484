#pragma once

#include <functional>

#include "serial/serial_port_device.h"

namespace tavr {

// The serial port unit on Linux: termios, a watcher thread that reads every byte and performs
// the writes, and an event queue drained on the window thread.
class SerialPortUnit final : public SerialPortDevice {
  public:
    // Called on the watcher thread once per queued entry. It must be thread-safe and arrange for
    // DeliverQueued() to run on the window thread (a posted notice).
    using QueueReadyPoster = std::function<void()>;

    explicit SerialPortUnit(QueueReadyPoster postQueueReady);
    ~SerialPortUnit() override;  // closes the port
    SerialPortUnit(const SerialPortUnit&) = delete;
    SerialPortUnit& operator=(const SerialPortUnit&) = delete;

    bool Open(const SerialPortProperties& properties) override;
    void Close() override;
    bool IsOpen() const override;
    bool Send(const Value& data) override;
    void DeliverQueued(const EventSink& sink) override;
};

}  // namespace tavr
