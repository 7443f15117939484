#pragma once

#include <memory>

#include "framework/manual_timer_clock.h"
#include "framework/queued_poster.h"
#include "framework/window_thread.h"

namespace tavr {

// The window thread with no window system, for running the program logic without a window (logic
// tests, tools): posts wait in a queue until Posts().Pump(), timers run on Clock(), and Delay
// passes clock time as busy time (no tick is delivered while it "sleeps").
class HeadlessWindowThread {
  public:
    HeadlessWindowThread();
    HeadlessWindowThread(const HeadlessWindowThread&) = delete;
    HeadlessWindowThread& operator=(const HeadlessWindowThread&) = delete;

    WindowThread& Thread() { return thread_; }
    QueuedPoster& Posts() { return *posts_; }
    ManualTimerClock& Clock() { return clock_; }

  private:
    std::shared_ptr<QueuedPoster> posts_;
    ManualTimerClock clock_;
    WindowThread thread_;
};

}  // namespace tavr
