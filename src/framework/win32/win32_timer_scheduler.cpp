#include "framework/win32/win32_timer_scheduler.h"

#include "framework/timer.h"

namespace tavr {

void Win32TimerScheduler::Start(Timer& timer, std::int32_t interval) {
    const UINT_PTR id = IdOf(timer);
    // Setting an existing identifier again replaces its period and restarts its phase.
    if (SetTimer(target_, id, static_cast<UINT>(interval), nullptr) != 0) {
        running_[id] = &timer;
    }
}

void Win32TimerScheduler::Stop(Timer& timer) {
    const auto found = ids_.find(&timer);
    if (found == ids_.end()) {
        return;
    }
    KillTimer(target_, found->second);
    running_.erase(found->second);
    // A WM_TIMER already queued before KillTimer is ignored by Elapsed.
}

std::int64_t Win32TimerScheduler::Now() const {
    return static_cast<std::int64_t>(GetTickCount64());
}

void Win32TimerScheduler::Elapsed(UINT_PTR id) {
    if (const auto found = running_.find(id); found != running_.end()) {
        found->second->Tick();
    }
}

UINT_PTR Win32TimerScheduler::IdOf(Timer& timer) {
    const auto [entry, added] = ids_.try_emplace(&timer, kFirstId + ids_.size());
    return entry->second;
}

}  // namespace tavr
