#include "serial/serial_port_core.h"

#include <optional>

#include "serial/value_bytes.h"

namespace tavr {

SerialPortCore::SerialPortCore(QueueReadyPoster postQueueReady, SerialQueueBounds bounds)
    : queue_(std::move(postQueueReady), bounds) {}

SerialPortCore::~SerialPortCore() {
    Close();
}

void SerialPortCore::Close() {
    watcher_.reset();
    queue_.Clear();
}

bool SerialPortCore::IsOpen() const {
    return watcher_ != nullptr;
}

bool SerialPortCore::Send(const Value& data) {
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

void SerialPortCore::DeliverQueued(const EventSink& sink) {
    // The unit is not touched after the batch is taken: a handler may close or destroy it.
    DeliverBatch(queue_, sink);
}

std::size_t SerialPortCore::QueuedEvents() {
    return queue_.Size();
}

void SerialPortCore::Watch(std::unique_ptr<PortWatcher> watcher) {
    watcher_ = std::move(watcher);
}

}  // namespace tavr
