#include "support/replay_device.h"

#include <utility>

namespace tavr {

void ReplayDevice::Close() {
    open_ = false;
    queued_.clear();
}

void ReplayDevice::DeliverQueued(const EventSink& sink) {
    const std::vector<SerialEvent> taken = std::exchange(queued_, {});
    for (const SerialEvent& event : taken) {
        if (!sink(event)) {
            return;
        }
    }
}

void ReplayDevice::Receive(const ByteSet& bytes) {
    for (std::uint8_t byte : bytes) {
        queued_.push_back({SerialEvent::Kind::DataArrival, byte});
        post_();
    }
}

}  // namespace tavr
