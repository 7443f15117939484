#include "companion/meter/poll_schedule.h"

#include <algorithm>

namespace tavr {

using std::chrono::milliseconds;

PollSchedule::PollSchedule(milliseconds every, std::optional<milliseconds> duration)
    : every_(every), duration_(duration) {}

void PollSchedule::Start(Clock::time_point now) {
    start_ = now;
}

bool PollSchedule::BeforeEnd(Clock::time_point moment) const {
    return !duration_ || moment < start_ + *duration_;
}

milliseconds PollSchedule::UntilEnd(Clock::time_point now) const {
    if (!duration_) {
        return milliseconds::max();
    }
    return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(start_ + *duration_ - now));
}

PollSchedule::Clock::time_point PollSchedule::Next(Clock::time_point due, bool overran,
                                                   Clock::time_point now) const {
    due += every_;
    if (due >= now) {
        return due;
    }
    if (overran) {
        return now;
    }
    // The first moment on the grid at or after `now`.
    const auto periods = (now - due + every_ - Clock::duration(1)) / every_;
    return due + periods * every_;
}

}  // namespace tavr
