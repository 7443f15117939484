#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "framework/window_thread_poster.h"

namespace tavr {

// Posting with no window system: posted tasks wait in a queue until the window thread pumps it.
// Post is safe from any thread; Pump and WaitForPost belong to the window thread.
class QueuedPoster final : public WindowThreadPoster {
  public:
    void Post(Task task) override;

    // Runs the posted tasks in order, one at a time, until the queue is empty (tasks posted
    // meanwhile included). Returns how many ran.
    std::size_t Pump();
    // Waits until at least one task is queued or `timeout` has passed; true when one is queued.
    bool WaitForPost(std::chrono::milliseconds timeout);
    std::size_t Pending() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> tasks_;
};

}  // namespace tavr
