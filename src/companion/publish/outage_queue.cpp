#include "companion/publish/outage_queue.h"

#include <algorithm>

namespace tavr {

void OutageQueue::Push(MqttMessage message) {
    if (entries_.size() >= capacity_) {
        ++dropped_;
        if (handed_ == entries_.size()) {
            return;  // everything held is in flight: the newest gives way
        }
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(handed_));
    }
    entries_.push_back({std::move(message), std::nullopt});
}

const MqttMessage* OutageQueue::NextWaiting() const {
    return handed_ < entries_.size() ? &entries_[handed_].message : nullptr;
}

void OutageQueue::MarkHanded(int id) {
    if (handed_ < entries_.size()) {
        entries_[handed_++].id = id;
    }
}

bool OutageQueue::Acknowledge(int id) {
    const auto handedEnd = entries_.begin() + static_cast<std::ptrdiff_t>(handed_);
    const auto found = std::find_if(entries_.begin(), handedEnd,
                                    [id](const Entry& entry) { return entry.id == id; });
    if (found == handedEnd) {
        return false;
    }
    entries_.erase(found);
    --handed_;
    return true;
}

void OutageQueue::ReturnHanded() {
    for (std::size_t k = 0; k < handed_; ++k) {
        entries_[k].id.reset();
    }
    handed_ = 0;
}

}  // namespace tavr
