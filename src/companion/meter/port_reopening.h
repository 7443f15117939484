#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

#include "companion/meter/connection_choice.h"
#include "companion/meter/meter_link.h"
#include "companion/meter/poll_schedule.h"

namespace tavr {

// The longest wait between two attempts to reopen a port whose device hung up.
inline constexpr std::chrono::milliseconds kLongestReopenWait{8000};

// Reopens `link`'s port after the device hung up (a USB adapter pulled), for watch and publish
// alike: waits 250 ms before the first attempt, doubling to at most 8 s between attempts, and
// opens the port only while it still leads to `device`, the one polled before (while an adapter
// is out, its COM number may lead to another device); an empty `device`, when none was polled
// yet, takes whatever the port leads to. `beforeWait` runs before each wait. True
// once the port is open again; false when the operator interrupted or the schedule's end came
// first: no wait goes past it.
bool ReopenAfterHangUp(MeterLink& link, const ConnectionChoice& connection,
                       const std::filesystem::path& device, const PollSchedule& schedule,
                       const std::function<void()>& beforeWait);

}  // namespace tavr
