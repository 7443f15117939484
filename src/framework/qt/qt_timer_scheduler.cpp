#include "framework/qt/qt_timer_scheduler.h"

#include <chrono>

#include "framework/timer.h"

namespace tavr {

void QtTimerScheduler::Start(Timer& timer, std::int32_t interval) {
    std::unique_ptr<QTimer>& qtTimer = timers_[&timer];
    if (!qtTimer) {
        qtTimer = std::make_unique<QTimer>();
        qtTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(qtTimer.get(), &QTimer::timeout, qtTimer.get(),
                         [&timer] { timer.Tick(); });
    }
    qtTimer->start(interval);
}

void QtTimerScheduler::Stop(Timer& timer) {
    if (const auto found = timers_.find(&timer); found != timers_.end()) {
        found->second->stop();
    }
}

std::int64_t QtTimerScheduler::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool QtTimerScheduler::IsRunning(const Timer& timer) const {
    const auto found = timers_.find(&timer);
    return found != timers_.end() && found->second->isActive();
}

}  // namespace tavr
