#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "framework/timer_scheduler.h"
#include "framework/visual_style.h"
#include "framework/window_thread_poster.h"
#include "runtime/delay.h"

namespace tavr {

// The services of the thread that runs the windows and all handlers: posting to it from other
// threads, its timers, the pause and the themed look. The window system provides the real ones;
// HeadlessWindowThread provides pumped and clock-driven ones for running with no window system.
class WindowThread {
  public:
    // `timers` must outlive this object and every window using it. `poster` is shared because
    // other threads (a port's watcher) may hold it until they have stopped.
    WindowThread(std::shared_ptr<WindowThreadPoster> poster, TimerScheduler& timers,
                 Sleeper sleeper = SleepCallingThread)
        : poster_(std::move(poster)), timers_(timers), sleeper_(std::move(sleeper)) {}

    WindowThreadPoster& Poster() const { return *poster_; }
    const std::shared_ptr<WindowThreadPoster>& SharedPoster() const { return poster_; }
    TimerScheduler& Timers() const { return timers_; }
    // Milliseconds on the clock of the thread's timers, for measuring how long ago something
    // happened; only differences mean anything.
    std::int64_t Now() const { return timers_.Now(); }

    // Suspends the window thread for `milliseconds` (negative counts as 0): no event is
    // delivered meanwhile.
    void Delay(std::int32_t milliseconds) const { tavr::Delay(milliseconds, sleeper_); }

    // Switches the themed look on (style 1..3) or off; returns 1 when switched on.
    std::int32_t EnableVisualStyle(std::int32_t style) { return style_.Enable(style); }
    VisualStyle& Style() { return style_; }
    const VisualStyle& Style() const { return style_; }

  private:
    std::shared_ptr<WindowThreadPoster> poster_;
    TimerScheduler& timers_;
    Sleeper sleeper_;
    VisualStyle style_;
};

}  // namespace tavr
