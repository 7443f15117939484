#include "serial/serial_port_unit.h"

#include <termios.h>

#include <optional>

#include "serial/com_port_path.h"
#include "serial/serial_line_settings.h"
#include "serial/value_bytes.h"

namespace tavr {
namespace {

bool Configure(int fd, const SerialPortProperties& properties) {
    termios settings{};
    return ::tcgetattr(fd, &settings) == 0 && ApplyLineSettings(properties, settings) &&
           ::tcsetattr(fd, TCSANOW, &settings) == 0 && SetModemLines(fd, properties);
}

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

SerialPortUnit::SerialPortUnit(QueueReadyPoster postQueueReady)
    : queue_(std::move(postQueueReady)) {}

SerialPortUnit::~SerialPortUnit() {
    Close();
}

bool SerialPortUnit::Open(const SerialPortProperties& properties) {
    Close();
    const std::optional<std::filesystem::path> device =
        ComPortDevicePath(properties.PortNumber(), {ComPortLinkFolder(), "/"});
    if (!device) {
        return false;
    }
    ExclusiveTty port = ExclusiveTty::Open(*device);
    if (!port.Valid() || !Configure(port.Fd(), properties)) {
        return false;
    }
    ::tcflush(port.Fd(), TCIOFLUSH);
    watcher_ = SerialWatcher::Start(port.Fd(), queue_, WatcherOptions(properties));
    if (!watcher_) {
        return false;
    }
    port_ = std::move(port);
    return true;
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
    // The unit is not touched after the first event: a handler may close or destroy it.
    const std::vector<SerialEvent> taken = queue_.TakeAll();
    for (const SerialEvent& event : taken) {
        if (!sink(event)) {
            return;
        }
    }
}

}  // namespace tavr
