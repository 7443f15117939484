#include "meter_simulator/wire_pace.h"

#include <algorithm>

namespace tavr::simulator {
namespace {

constexpr std::int64_t kBitsPerCharacter = 10;

}  // namespace

WirePace::WirePace(int baud, std::size_t groupBytes)
    : characterTime_(kBitsPerCharacter * 1'000'000'000 / std::max(baud, 1)),
      groupBytes_(std::max<std::size_t>(groupBytes, 1)) {}

void WirePace::Waiting(Clock::time_point now) {
    if (!nextDue_) {
        nextDue_ = now + GroupTime();
    }
}

std::size_t WirePace::Release(Clock::time_point now, std::size_t waiting) {
    std::size_t released = 0;
    // Groups due since the last release go together: a late simulator catches up, as the wire
    // would not have waited for it.
    while (nextDue_ && *nextDue_ <= now && released < waiting) {
        released = std::min(released + groupBytes_, waiting);
        *nextDue_ += GroupTime();
    }
    if (released == waiting) {
        nextDue_.reset();
    }
    return released;
}

std::chrono::nanoseconds WirePace::GroupTime() const {
    return characterTime_ * static_cast<std::int64_t>(groupBytes_);
}

}  // namespace tavr::simulator
