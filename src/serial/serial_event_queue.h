#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "serial/serial_port_device.h"

namespace tavr {

// How many entries a port's event queue holds before its watcher stops reading, below how many
// it reads again, and how many one delivery takes (a DataArrival entry is 8 bytes).
struct SerialQueueBounds {
    std::size_t high = 65536;
    std::size_t low = 16384;
    std::size_t batch = 4096;
};

// The events a watcher has found and the window thread has not yet taken, guarded by one mutex.
//
// Bounded: once it holds `high` entries the watcher is told to stop reading, so the excess stays
// in the kernel's buffer and the line's flow control holds the sender; once the window thread has
// taken it below `low` the queue wakes the watcher to read on. The window thread takes at most
// `batch` entries per notice, so input, painting and timers run between batches of a flood.
//
// One notice is outstanding at a time: posted by the append that finds none outstanding, and
// posted again by a take that leaves entries behind. Either decides under the mutex and posts
// once it has let go of it: the notice then never arrives before its entry, and the window
// thread it wakes does not find the queue still locked by the watcher that woke it (which would
// cost both threads one more sleep and wake-up). Taking and clearing hold the mutex only to move
// or empty entries and to call the resume callback.
class SerialEventQueue {
  public:
    using Poster = std::function<void()>;

    explicit SerialEventQueue(Poster postQueueReady, SerialQueueBounds bounds = {});

    // Watcher thread. False once the queue is full: stop reading until the resume callback runs
    // and ReadingPaused() turns false.
    bool Append(std::span<const SerialEvent> events);
    // How many more entries fit before the queue is full.
    std::size_t Room();
    bool ReadingPaused();
    // The watcher's wake-up; called on the window thread, with the mutex held, when the queue has
    // been taken below the low mark while reading was paused.
    void SetResumeReader(std::function<void()> resume);

    // Window thread: the oldest entries, at most a batch of them.
    std::vector<SerialEvent> TakeBatch();
    // Drops every entry and gives the storage back.
    void Clear();
    std::size_t Size();

  private:
    void ResumeReadingBelowLowMark();

    Poster post_;
    const SerialQueueBounds bounds_;
    std::mutex mutex_;
    std::deque<SerialEvent> entries_;
    bool noticeOutstanding_ = false;
    bool readingPaused_ = false;
    std::function<void()> resume_;
};

// Window thread: takes one batch of `queue` and raises each entry through `sink`, in order,
// until it returns false. Touches the queue only to take the batch, so a handler may close or
// destroy the port that owns it.
void DeliverBatch(SerialEventQueue& queue, const SerialPortDevice::EventSink& sink);

}  // namespace tavr
