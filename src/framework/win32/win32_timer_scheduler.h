#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>

#include "framework/timer_scheduler.h"

namespace tavr {

// The window thread's timers as window timers (SetTimer) of a message window, one timer
// identifier per Timer control from 1000 on. WM_TIMER is a low-priority message: a tick that
// falls due while the thread is busy comes late, and missed periods yield one tick.
class Win32TimerScheduler final : public TimerScheduler {
  public:
    explicit Win32TimerScheduler(HWND target) : target_(target) {}

    void Start(Timer& timer, std::int32_t interval) override;
    void Stop(Timer& timer) override;
    // The monotonic clock that window timers run on.
    std::int64_t Now() const override;

    // Window thread, on WM_TIMER: ticks the timer with identifier `id`, if it still runs.
    void Elapsed(UINT_PTR id);

  private:
    static constexpr UINT_PTR kFirstId = 1000;

    UINT_PTR IdOf(Timer& timer);

    HWND target_;
    std::unordered_map<const Timer*, UINT_PTR> ids_;
    std::unordered_map<UINT_PTR, Timer*> running_;
};

}  // namespace tavr
