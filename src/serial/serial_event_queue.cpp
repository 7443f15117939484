#include "serial/serial_event_queue.h"

namespace tavr {

void SerialEventQueue::Append(std::span<const SerialEvent> events) {
    const std::lock_guard lock(mutex_);
    for (const SerialEvent& event : events) {
        entries_.push_back(event);
        if (post_) {
            post_();
        }
    }
}

std::vector<SerialEvent> SerialEventQueue::TakeAll() {
    std::vector<SerialEvent> taken;
    const std::lock_guard lock(mutex_);
    taken.swap(entries_);
    return taken;
}

void SerialEventQueue::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

}  // namespace tavr
