#include "framework/win32/win32_window_thread_poster.h"

#include <utility>

namespace tavr {

void Win32WindowThreadPoster::Post(Task task) {
    const std::lock_guard lock(mutex_);
    if (target_ == nullptr) {
        return;
    }
    tasks_.push_back(std::move(task));
    if (PostMessageW(target_, kRunTask, 0, 0) == 0) {
        tasks_.pop_back();  // a full message queue: the task could never run
    }
}

void Win32WindowThreadPoster::RunOldest() {
    Task task;
    {
        const std::lock_guard lock(mutex_);
        if (tasks_.empty()) {
            return;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    if (task) {
        task();
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
