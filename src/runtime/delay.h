#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace tavr {

// Suspends the calling thread for a duration. The product sleeps for real; logic tests pass
// time on a fake clock instead.
using Sleeper = std::function<void(std::chrono::milliseconds)>;

inline void SleepCallingThread(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

// The pause service: suspends through `sleeper` for `milliseconds`; a negative count is taken
// as 0.
inline void Delay(std::int32_t milliseconds, const Sleeper& sleeper) {
    sleeper(std::chrono::milliseconds(std::max<std::int32_t>(milliseconds, 0)));
}

}  // namespace tavr
