#pragma once

#include <cstdint>
#include <vector>

#include "framework/timer_scheduler.h"

namespace tavr {

// The window thread's timers on a virtual clock that only moves when told. Advance() is idle
// time: every tick falls due and is delivered at its own moment, in order of due time (timers due
// at the same moment in the order they were started). Stall() is busy time (a long handler, a
// Delay): no tick is delivered; the next Advance() delivers one tick for each timer that fell due
// meanwhile, however many periods it missed, and the timer keeps its phase.
class ManualTimerClock final : public TimerScheduler {
  public:
    void Start(Timer& timer, std::int32_t interval) override;
    void Stop(Timer& timer) override;

    // Milliseconds since the clock was made.
    std::int64_t Now() const override { return now_; }
    void Advance(std::int64_t milliseconds);
    void Stall(std::int64_t milliseconds);

    bool IsRunning(const Timer& timer) const;
    // When the timer's next tick falls due, or -1 when it does not run.
    std::int64_t NextTick(const Timer& timer) const;

  private:
    struct Entry {
        Timer* timer;
        std::int64_t period;
        std::int64_t due;
        std::uint64_t order;  // start order, breaks ties between equal due times
    };

    template <class Entries>
    static auto* FindIn(Entries& entries, const Timer& timer);
    Entry* Find(const Timer& timer);
    const Entry* Find(const Timer& timer) const;
    Entry* EarliestDueBy(std::int64_t moment);

    std::int64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::vector<Entry> entries_;
};

}  // namespace tavr
