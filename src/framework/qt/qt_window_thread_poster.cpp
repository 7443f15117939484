#include "framework/qt/qt_window_thread_poster.h"

#include <utility>

namespace tavr {

void QtWindowThreadPoster::Post(Task task) {
    const std::lock_guard receiverLock(receiverMutex_);
    if (receiver_ == nullptr) {
        return;
    }
    {
        const std::lock_guard tasksLock(tasksMutex_);
        tasks_.push_back(std::move(task));
    }
    QMetaObject::invokeMethod(
        receiver_, [this] { RunOldest(); }, Qt::QueuedConnection);
}

void QtWindowThreadPoster::Stop() {
    std::deque<Task> dropped;
    {
        const std::lock_guard receiverLock(receiverMutex_);
        receiver_ = nullptr;
        const std::lock_guard tasksLock(tasksMutex_);
        dropped.swap(tasks_);
    }
    // The tasks go outside the locks: destroying one may post again.
}

void QtWindowThreadPoster::RunOldest() {
    Task task;
    {
        const std::lock_guard lock(tasksMutex_);
        if (tasks_.empty()) {
            return;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    if (task) {
        ++taskDepth_;
        task();
        --taskDepth_;
    }
    if (taskDepth_ == 0) {
        RunAfterTask();
    }
}

void QtWindowThreadPoster::AfterCurrentEvent(QObject& context, Task work) {
    if (taskDepth_ > 0) {
        afterTask_.emplace_back(&context, std::move(work));
    } else {
        QMetaObject::invokeMethod(&context, std::move(work), Qt::QueuedConnection);
    }
}

void QtWindowThreadPoster::RunAfterTask() {
    // Work may ask for more work; that goes as a queued call, the task having returned.
    auto after = std::move(afterTask_);
    afterTask_.clear();
    for (auto& [context, work] : after) {
        if (context) {
            work();
        }
    }
}

}  // namespace tavr
