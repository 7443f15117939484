#include "serial/posix/serial_port_unit.h"

#include <termios.h>

#include "serial/posix/com_port_path.h"
#include "serial/posix/exclusive_tty.h"
#include "serial/posix/serial_line_settings.h"
#include "serial/posix/serial_watcher.h"

namespace tavr {

SerialPortUnit::SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds)
    : SerialPortCore(std::move(postQueueReady), bounds) {}

SerialOpenResult SerialPortUnit::Open(const SerialPortProperties& properties) {
    Close();
    ComPortLookup lookup = LookUpComPort(properties.PortNumber(), {ComPortLinkFolder(), "/"});
    if (lookup.path.empty()) {
        return lookup.outcome;
    }
    return OpenFound(lookup.path, properties, std::move(lookup.outcome));
}

SerialOpenResult SerialPortUnit::OpenDevice(const std::filesystem::path& path,
                                            const SerialPortProperties& properties) {
    Close();
    SerialOpenResult outcome;
    outcome.device = path.string();
    return OpenFound(path, properties, std::move(outcome));
}

SerialOpenResult SerialPortUnit::OpenFound(const std::filesystem::path& path,
                                           const SerialPortProperties& properties,
                                           SerialOpenResult outcome) {
    ExclusiveTty port = ExclusiveTty::Open(path, outcome);
    if (!port.Valid()) {
        return outcome;
    }
    outcome.error = ConfigureLine(port.Fd(), properties);
    if (!outcome.Succeeded()) {
        return outcome;
    }
    ::tcflush(port.Fd(), TCIOFLUSH);
    std::unique_ptr<SerialWatcher> watcher =
        SerialWatcher::Start(std::move(port), Queue(), WatcherOptions::Of(properties));
    if (!watcher) {
        outcome.error = SerialOpenError::SystemError;
        outcome.detail = "the port's watcher thread cannot be started";
        return outcome;
    }
    Watch(std::move(watcher));
    return outcome;
}

}  // namespace tavr
