#pragma once

#include <cstdint>
#include <functional>

#include "framework/control.h"

namespace tavr {

// A repeating timer of the window thread (non-visual). It runs on the window thread's
// TimerScheduler while the window is open and its interval is 1 or more.
class Timer final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::Timer;

    Timer(Window& owner, Text name);
    ~Timer() override;

    // The period in milliseconds; 0 means stopped.
    std::int32_t Interval() const { return interval_; }
    // A negative value is taken as 0. Writing the value the timer already has changes nothing (a
    // running timer keeps its phase). Otherwise the timer stops and, for 1 or more, starts again
    // with the new period, its first tick one full period from now.
    void SetInterval(std::int32_t interval);
    bool IsRunning() const { return running_; }

    // The scheduler reports that a period has elapsed: onElapsed is raised if the timer runs.
    void Tick();

    std::function<void()> onElapsed;

  private:
    void WindowCreated() override;
    void WindowClosing() override;

    void Start();
    void Stop();

    std::int32_t interval_ = 0;
    bool running_ = false;
};

}  // namespace tavr
