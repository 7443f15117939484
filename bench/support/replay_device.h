#pragma once

#include <vector>

#include "framework/serial_port.h"
#include "runtime/types.h"
#include "serial/serial_port_device.h"

namespace tavr {

// Stands in for the serial unit without its thread: bytes handed to it are queued as the
// watcher queues them, one notice posted per entry, and delivered the way the unit delivers.
// Every send succeeds while it is open and goes nowhere.
class ReplayDevice final : public SerialPortDevice {
  public:
    explicit ReplayDevice(SerialPort::QueueReadyPoster post) : post_(std::move(post)) {}

    SerialOpenResult Open(const SerialPortProperties&) override {
        open_ = true;
        return {};
    }
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Send(const Value&) override { return open_; }
    void DeliverQueued(const EventSink& sink) override;

    // The meter sends `bytes`.
    void Receive(const ByteSet& bytes);

  private:
    SerialPort::QueueReadyPoster post_;
    std::vector<SerialEvent> queued_;
    bool open_ = false;
};

}  // namespace tavr
