#include "framework/timer.h"

#include <algorithm>
#include <utility>

#include "framework/window.h"

namespace tavr {

Timer::Timer(Window& owner, Text name) : Control(owner, std::move(name), kKind, {}) {}

Timer::~Timer() {
    Stop();
}

void Timer::SetInterval(std::int32_t interval) {
    interval = std::max(interval, 0);
    if (interval == interval_) {
        return;
    }
    interval_ = interval;
    Stop();
    if (Owner().IsOpen()) {
        Start();
    }
}

void Timer::Tick() {
    if (running_) {
        Raise(onElapsed);
    }
}

void Timer::WindowCreated() {
    Start();
}

void Timer::WindowClosing() {
    Stop();
}

void Timer::Start() {
    if (interval_ >= 1) {
        Owner().Thread().Timers().Start(*this, interval_);
        running_ = true;
    }
}

void Timer::Stop() {
    if (running_) {
        Owner().Thread().Timers().Stop(*this);
        running_ = false;
    }
}

}  // namespace tavr
