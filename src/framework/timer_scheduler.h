#pragma once

#include <cstdint>

namespace tavr {

class Timer;

// The window thread's timers and their clock: runs a repeating timer for a Timer control and calls
// its Tick() on the window thread each time a period has elapsed. A tick that falls due while the
// thread is busy is delivered late, and several missed periods yield one tick.
class TimerScheduler {
  public:
    virtual ~TimerScheduler() = default;

    // Starts (or restarts) the timer of `timer` with `interval` milliseconds (1 or more); the
    // first period counts from now.
    virtual void Start(Timer& timer, std::int32_t interval) = 0;
    // Stops the timer of `timer`, if one runs.
    virtual void Stop(Timer& timer) = 0;
    // Milliseconds on the clock the timers run on: it never goes back, and only differences
    // between two readings mean anything.
    virtual std::int64_t Now() const = 0;
};

}  // namespace tavr
