#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "serial/exclusive_tty.h"
#include "serial/serial_event_queue.h"
#include "serial/serial_port_device.h"
#include "serial/serial_watcher.h"

namespace tavr {

// The serial port unit on Linux: termios, a watcher thread that reads every byte and performs
// the writes, and an event queue drained on the window thread.
//
// Port number n is the device that $XDG_CONFIG_HOME/TAVR_12864/dosdevices/com<n> links to, or
// else the n-th of the serial devices present (see com_port_path.h). The port is held
// exclusively while open. After the device hangs up the unit stays open (IsOpen() is true until
// Close) but every Send fails; Close and a new Open reconnect once the device is back.
class SerialPortUnit final : public SerialPortDevice {
  public:
    // Called with the queue's mutex held, on the watcher thread when entries arrive and none is
    // outstanding, and on the window thread when a delivery leaves entries behind. It must be
    // thread-safe, must not block on the window thread, and arranges for DeliverQueued() to run
    // on the window thread (a posted notice). The window thread must not hold a lock the poster
    // takes while it calls DeliverQueued().
    using QueueReadyPoster = std::function<void()>;

    explicit SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds = {});
    ~SerialPortUnit() override;  // closes the port
    SerialPortUnit(const SerialPortUnit&) = delete;
    SerialPortUnit& operator=(const SerialPortUnit&) = delete;

    SerialOpenResult Open(const SerialPortProperties& properties) override;
    // Opens the device at `path` (a terminal given by its path, not by a port number), held and
    // checked as a port number's device is.
    SerialOpenResult OpenDevice(const std::filesystem::path& path,
                                const SerialPortProperties& properties);
    void Close() override;
    bool IsOpen() const override;
    bool Send(const Value& data) override;
    void DeliverQueued(const EventSink& sink) override;
    // Entries waiting to be taken for delivery.
    std::size_t QueuedEvents();

  private:
    // Opens `path`, whose lookup `outcome` describes, and starts the watcher on it.
    SerialOpenResult OpenFound(const std::filesystem::path& path,
                               const SerialPortProperties& properties, SerialOpenResult outcome);

    SerialEventQueue queue_;
    ExclusiveTty port_;
    std::unique_ptr<SerialWatcher> watcher_;
};

}  // namespace tavr
