#pragma once

#include <cstddef>
#include <deque>
#include <string_view>
#include <vector>

#include "framework/serial_port.h"
#include "serial/serial_port_device.h"

namespace tavr {

// A serial port device driven by a script on the window thread: it opens whenever asked, keeps
// every frame sent through it, and delivers the bytes the script makes arrive. Bytes arrive
// whether the port was opened or not, so the program meets every order of events.
class ScriptedSerialDevice final : public SerialPortDevice {
  public:
    explicit ScriptedSerialDevice(SerialPort::QueueReadyPoster postQueueReady);

    SerialOpenResult Open(const SerialPortProperties& properties) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Send(const Value& data) override;
    void DeliverQueued(const EventSink& sink) override;

    // Queues the bytes as received and posts their delivery, as a port's watcher does.
    void Arrive(std::string_view bytes);

    // The frames sent since the last call.
    std::vector<Value> TakeSent();

  private:
    SerialPort::QueueReadyPoster postQueueReady_;
    bool open_ = false;
    std::deque<SerialEvent> queued_;
    std::vector<Value> sent_;
};

}  // namespace tavr
