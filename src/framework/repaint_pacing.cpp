#include "framework/repaint_pacing.h"

#include <algorithm>

namespace tavr {

namespace {

constexpr double kUsualRefreshRate = 60;

}  // namespace

RepaintPacing::Clock::duration RepaintPacing::WaitBefore(Clock::time_point now) const {
    if (!lastPaint_) {
        return Clock::duration::zero();
    }
    return std::max(frame_ - (now - *lastPaint_), Clock::duration::zero());
}

RepaintPacing::Clock::duration RepaintPacing::LookWaitBefore(Clock::time_point now) const {
    const Clock::duration wait = WaitBefore(now);
    return wait > Clock::duration::zero() ? wait : frame_;
}

RepaintPacing::Clock::duration FrameAt(double refreshRate) {
    const double rate = refreshRate > 0 ? refreshRate : kUsualRefreshRate;
    return std::chrono::duration_cast<RepaintPacing::Clock::duration>(
        std::chrono::duration<double>(1.0 / rate));
}

}  // namespace tavr
