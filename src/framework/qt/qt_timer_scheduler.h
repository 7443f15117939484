#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "framework/timer_scheduler.h"

namespace tavr {

// The window thread's timers as Qt timers of the GUI thread, one per Timer control. A tick that
// falls due while the thread is busy comes late, and missed periods yield one tick, as Qt's
// timers do.
class QtTimerScheduler final : public TimerScheduler {
  public:
    void Start(Timer& timer, std::int32_t interval) override;
    void Stop(Timer& timer) override;
    // The monotonic clock that Qt's timers run on.
    std::int64_t Now() const override;

    bool IsRunning(const Timer& timer) const;

  private:
    // A stopped Qt timer is kept for the control's next start: deleting it could happen inside
    // its own tick (a handler stopping its timer).
    std::unordered_map<const Timer*, std::unique_ptr<QTimer>> timers_;
};

}  // namespace tavr
