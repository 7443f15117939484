#include "framework/win32/win32_window_thread_poster.h"

#include <utility>

namespace tavr {

void Win32WindowThreadPoster::Post(Task task) {
    const std::lock_guard lock(mutex_);
    if (target_ == nullptr) {
        return;
    }
    tasks_.push_back(std::move(task));
    // A message is on its way while tasks wait; a full message queue would leave them waiting.
    if (tasks_.size() == 1 && PostMessageW(target_, kRunTask, 0, 0) == 0) {
        tasks_.pop_back();
    }
}

void Win32WindowThreadPoster::RunWaiting() {
    std::deque<Task> waiting;
    {
        const std::lock_guard lock(mutex_);
        waiting.swap(tasks_);
    }
    for (Task& task : waiting) {
        if (task) {
            task();
        }
    }
}

void Win32WindowThreadPoster::Stop() {
    std::deque<Task> dropped;
    {
        const std::lock_guard lock(mutex_);
        target_ = nullptr;
        dropped.swap(tasks_);
    }
    // The tasks go outside the lock: destroying one may post again.
}

}  // namespace tavr
