#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <variant>
#include <vector>

#include "framework/serial_port.h"
#include "serial/serial_port_device.h"

namespace tavr {

// The line to the meter as a test sees it: it records how the port was opened and every frame
// sent while it is open, and "receives" bytes by queueing them and posting to the window thread,
// as the real watcher does, so that pumping the posts raises them as DataArrival events through
// the serial port control.
class RecordingPort final : public SerialPortDevice {
  public:
    struct Opening {
        std::int32_t portNumber;
        std::int32_t baudRate;
    };

    explicit RecordingPort(SerialPort::QueueReadyPoster postQueueReady)
        : postQueueReady_(std::move(postQueueReady)) {}

    SerialOpenResult Open(const SerialPortProperties& properties) override {
        Close();
        openings.push_back({properties.PortNumber(), properties.BaudRate()});
        open_ = nextOpen.Succeeded();
        return nextOpen;
    }

    void Close() override {
        open_ = false;
        queue_.clear();
    }

    bool IsOpen() const override { return open_; }

    bool Send(const Value& data) override {
        const ByteSet* frame = std::get_if<ByteSet>(&data);
        if (!open_ || frame == nullptr) {
            return false;
        }
        sent.push_back(*frame);
        return true;
    }

    void DeliverQueued(const EventSink& sink) override {
        std::deque<SerialEvent> taken;
        taken.swap(queue_);
        for (const SerialEvent& event : taken) {
            if (!sink(event)) {
                return;
            }
        }
    }

    // The meter sends `bytes`; a closed line receives nothing.
    void Receive(const ByteSet& bytes) {
        if (!open_) {
            return;
        }
        for (const std::uint8_t byte : bytes) {
            queue_.push_back({SerialEvent::Kind::DataArrival, byte});
            postQueueReady_();
        }
    }

    // What the next Open answers (a port that is missing or busy fails).
    SerialOpenResult nextOpen;
    std::vector<Opening> openings;
    std::vector<ByteSet> sent;

  private:
    SerialPort::QueueReadyPoster postQueueReady_;
    bool open_ = false;
    std::deque<SerialEvent> queue_;
};

}  // namespace tavr
