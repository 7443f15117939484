#include "framework/queued_poster.h"

#include <utility>

namespace tavr {

void QueuedPoster::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

std::size_t QueuedPoster::Pump() {
    std::size_t ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                return ran;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        // Run outside the lock: a task may post again.
        if (task) {
            task();
        }
        ++ran;
    }
}

bool QueuedPoster::WaitForPost(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
}

std::size_t QueuedPoster::Pending() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

}  // namespace tavr
