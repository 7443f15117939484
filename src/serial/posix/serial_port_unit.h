#pragma once

#include <filesystem>

#include "serial/serial_port_core.h"

namespace tavr {

// The serial port unit on Linux: termios, and a watcher thread (SerialWatcher) that reads every
// byte and performs the writes.
//
// Port number n is the device that $XDG_CONFIG_HOME/TAVR_12864/dosdevices/com<n> links to, or
// else the n-th of the serial devices present (see com_port_path.h). The port is held
// exclusively while open.
class SerialPortUnit final : public SerialPortCore {
  public:
    explicit SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds = {});

    SerialOpenResult Open(const SerialPortProperties& properties) override;
    // Opens the device at `path` (a terminal given by its path, not by a port number), held and
    // checked as a port number's device is.
    SerialOpenResult OpenDevice(const std::filesystem::path& path,
                                const SerialPortProperties& properties);

  private:
    // Opens `path`, whose lookup `outcome` describes, and starts the watcher on it.
    SerialOpenResult OpenFound(const std::filesystem::path& path,
                               const SerialPortProperties& properties, SerialOpenResult outcome);
};

}  // namespace tavr
