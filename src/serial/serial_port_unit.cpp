#include "serial/serial_port_unit.h"

#include <termios.h>

#include "serial/com_port_path.h"
#include "serial/serial_line_settings.h"
#include "serial/value_bytes.h"

namespace tavr {
namespace {

SerialWatcher::Options WatcherOptions(const SerialPortProperties& properties) {
    SerialWatcher::Options options;
    options.writeTimeoutMs = properties.Timeout();
    const Text& eventChar = properties.EventChar();
    if (!eventChar.empty() && eventChar.front() != '\0') {
        options.eventChar = static_cast<std::uint8_t>(eventChar.front());
    }
    return options;
}

}  // namespace

SerialPortUnit::SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds)
    : queue_(std::move(postQueueReady), bounds) {}

SerialPortUnit::~SerialPortUnit() {
    Close();
}

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
    watcher_ = SerialWatcher::Start(port.Fd(), queue_, WatcherOptions(properties));
    if (!watcher_) {
        outcome.error = SerialOpenError::SystemError;
        outcome.detail = "the port's watcher thread cannot be started";
        return outcome;
    }
    port_ = std::move(port);
    return outcome;
}

void SerialPortUnit::Close() {
    watcher_.reset();
    port_.Release();
    queue_.Clear();
}

bool SerialPortUnit::IsOpen() const {
    return watcher_ != nullptr;
}

bool SerialPortUnit::Send(const Value& data) {
    if (!watcher_) {
        return false;
    }
    const std::optional<ByteSet> bytes = BytesOfValue(data);
    if (!bytes) {
        return false;
    }
    // An empty send writes nothing and discards nothing.
    if (bytes->empty()) {
        return true;
    }
    return watcher_->Write(*bytes);
}

void SerialPortUnit::DeliverQueued(const EventSink& sink) {
    // The unit is not touched after the batch is taken: a handler may close or destroy it.
    DeliverBatch(queue_, sink);
}

std::size_t SerialPortUnit::QueuedEvents() {
    return queue_.Size();
}

}  // namespace tavr
