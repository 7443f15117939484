#include "serial/serial_event_queue.h"

#include <algorithm>

namespace tavr {

SerialEventQueue::SerialEventQueue(Poster postQueueReady, SerialQueueBounds bounds)
    : post_(std::move(postQueueReady)), bounds_(bounds) {}

bool SerialEventQueue::Append(std::span<const SerialEvent> events) {
    bool postNotice = false;
    bool readOn = true;
    {
        const std::lock_guard lock(mutex_);
        entries_.insert(entries_.end(), events.begin(), events.end());
        if (!entries_.empty() && !noticeOutstanding_ && post_) {
            noticeOutstanding_ = true;
            postNotice = true;
        }
        if (entries_.size() >= bounds_.high) {
            readingPaused_ = true;
        }
        readOn = !readingPaused_;
    }
    if (postNotice) {
        post_();
    }
    return readOn;
}

std::size_t SerialEventQueue::Room() {
    const std::lock_guard lock(mutex_);
    return entries_.size() < bounds_.high ? bounds_.high - entries_.size() : 0;
}

bool SerialEventQueue::ReadingPaused() {
    const std::lock_guard lock(mutex_);
    return readingPaused_;
}

void SerialEventQueue::SetResumeReader(std::function<void()> resume) {
    const std::lock_guard lock(mutex_);
    resume_ = std::move(resume);
}

std::vector<SerialEvent> SerialEventQueue::TakeBatch() {
    std::vector<SerialEvent> taken;
    bool postNotice = false;
    {
        const std::lock_guard lock(mutex_);
        const std::size_t count = std::min(entries_.size(), bounds_.batch);
        taken.assign(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count));
        entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count));
        if (entries_.empty()) {
            // A flood's storage goes back once it has been delivered.
            entries_.shrink_to_fit();
            noticeOutstanding_ = false;
        } else {
            postNotice = post_ != nullptr;
        }
        ResumeReadingBelowLowMark();
    }
    if (postNotice) {
        post_();
    }
    return taken;
}

void SerialEventQueue::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
    entries_.shrink_to_fit();
    // A notice still on its way may have been dropped with its window: the next entry posts anew.
    noticeOutstanding_ = false;
    ResumeReadingBelowLowMark();
}

std::size_t SerialEventQueue::Size() {
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

void SerialEventQueue::ResumeReadingBelowLowMark() {
    if (readingPaused_ && entries_.size() < bounds_.low) {
        readingPaused_ = false;
        if (resume_) {
            resume_();
        }
    }
}

void DeliverBatch(SerialEventQueue& queue, const SerialPortDevice::EventSink& sink) {
    const std::vector<SerialEvent> taken = queue.TakeBatch();
    for (const SerialEvent& event : taken) {
        if (!sink(event)) {
            return;
        }
    }
}

}  // namespace tavr
