#include "framework/qt/qt_window_thread_poster.h"

#include <utility>

namespace tavr {

void QtWindowThreadPoster::Post(Task task) {
    const std::lock_guard lock(mutex_);
    if (receiver_ == nullptr) {
        return;
    }
    tasks_.push_back(std::move(task));
    QMetaObject::invokeMethod(
        receiver_, [this] { RunOldest(); }, Qt::QueuedConnection);
}

void QtWindowThreadPoster::Stop() {
    std::deque<Task> dropped;
    {
        const std::lock_guard lock(mutex_);
        receiver_ = nullptr;
        dropped.swap(tasks_);
    }
    // The tasks go outside the lock: destroying one may post again.
}

void QtWindowThreadPoster::RunOldest() {
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

}  // namespace tavr
