#include "companion/meter/port_reopening.h"

#include <algorithm>

#include "companion/meter/port_probe.h"

namespace tavr {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstReopenWait{250};

}  // namespace

bool ReopenAfterHangUp(MeterLink& link, const ConnectionChoice& connection,
                       const std::filesystem::path& device, const PollSchedule& schedule,
                       const std::function<void()>& beforeWait) {
    link.Close();
    for (milliseconds wait = kFirstReopenWait;; wait = std::min(wait * 2, kLongestReopenWait)) {
        beforeWait();
        const auto now = PollSchedule::Clock::now();
        if (!schedule.BeforeEnd(now) || !link.Pause(std::min(wait, schedule.UntilEnd(now)))) {
            return false;
        }
        if ((device.empty() || ChosenDevice(connection) == device) &&
            link.Open(connection).Succeeded()) {
            return true;
        }
    }
}

}  // namespace tavr
