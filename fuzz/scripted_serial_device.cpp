#include "scripted_serial_device.h"

#include <utility>

namespace tavr {

ScriptedSerialDevice::ScriptedSerialDevice(SerialPort::QueueReadyPoster postQueueReady)
    : postQueueReady_(std::move(postQueueReady)) {}

SerialOpenResult ScriptedSerialDevice::Open(const SerialPortProperties& /*properties*/) {
    open_ = true;
    return {};
}

// Entries still queued go with the connection, as with the real port.
void ScriptedSerialDevice::Close() {
    open_ = false;
    queued_.clear();
}

bool ScriptedSerialDevice::Send(const Value& data) {
    sent_.push_back(data);
    return open_;
}

void ScriptedSerialDevice::DeliverQueued(const EventSink& sink) {
    std::deque<SerialEvent> taken;
    taken.swap(queued_);
    for (const SerialEvent& event : taken) {
        if (!sink(event)) {
            return;
        }
    }
}

void ScriptedSerialDevice::Arrive(std::string_view bytes) {
    for (const char byte : bytes) {
        queued_.push_back({SerialEvent::Kind::DataArrival, static_cast<unsigned char>(byte)});
    }
    postQueueReady_();
}

std::vector<Value> ScriptedSerialDevice::TakeSent() {
    return std::exchange(sent_, {});
}

}  // namespace tavr
