#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "serial/port_watcher.h"
#include "serial/serial_event_queue.h"
#include "serial/serial_port_device.h"

namespace tavr {

// What the serial port units of every platform share: the event queue and its delivery, Send,
// Close and IsOpen, over the watcher that the platform's Open hands over. A platform's unit adds
// only Open, which opens and configures the port and starts its watcher.
//
// After the device goes away the unit stays open (IsOpen() is true until Close) but every Send
// fails; Close and a new Open reconnect once the device is back.
class SerialPortCore : public SerialPortDevice {
  public:
    // Called with the queue's mutex held, on the watcher thread when entries arrive and none is
    // outstanding, and on the window thread when a delivery leaves entries behind. It must be
    // thread-safe, must not block on the window thread, and arranges for DeliverQueued() to run
    // on the window thread (a posted notice). The window thread must not hold a lock the poster
    // takes while it calls DeliverQueued().
    using QueueReadyPoster = std::function<void()>;

    ~SerialPortCore() override;  // closes the port
    SerialPortCore(const SerialPortCore&) = delete;
    SerialPortCore& operator=(const SerialPortCore&) = delete;

    void Close() final;
    bool IsOpen() const final;
    bool Send(const Value& data) final;
    void DeliverQueued(const EventSink& sink) final;
    // Entries waiting to be taken for delivery.
    std::size_t QueuedEvents();

  protected:
    SerialPortCore(QueueReadyPoster postQueueReady, SerialQueueBounds bounds);

    SerialEventQueue& Queue() { return queue_; }
    // Takes over the watcher of the port Open has opened.
    void Watch(std::unique_ptr<PortWatcher> watcher);

  private:
    SerialEventQueue queue_;
    std::unique_ptr<PortWatcher> watcher_;
};

}  // namespace tavr
