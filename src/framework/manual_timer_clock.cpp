#include "framework/manual_timer_clock.h"

#include <algorithm>

#include "framework/timer.h"

namespace tavr {

void ManualTimerClock::Start(Timer& timer, std::int32_t interval) {
    Stop(timer);
    entries_.push_back({&timer, interval, now_ + interval, nextOrder_++});
}

void ManualTimerClock::Stop(Timer& timer) {
    std::erase_if(entries_, [&timer](const Entry& entry) { return entry.timer == &timer; });
}

void ManualTimerClock::Advance(std::int64_t milliseconds) {
    const std::int64_t until = now_ + std::max<std::int64_t>(milliseconds, 0);
    while (Entry* entry = EarliestDueBy(until)) {
        now_ = std::max(now_, entry->due);
        // The next tick stays in phase: the first period boundary after now, so that periods
        // missed while the thread was busy collapse into this one tick.
        const std::int64_t missed = (now_ - entry->due) / entry->period;
        entry->due += (missed + 1) * entry->period;
        // The handler may start or stop timers, which can move `entry`: touch it no more.
        entry->timer->Tick();
    }
    // A handler may have stalled the clock beyond `until`.
    now_ = std::max(now_, until);
}

void ManualTimerClock::Stall(std::int64_t milliseconds) {
    now_ += std::max<std::int64_t>(milliseconds, 0);
}

bool ManualTimerClock::IsRunning(const Timer& timer) const {
    return Find(timer) != nullptr;
}

std::int64_t ManualTimerClock::NextTick(const Timer& timer) const {
    const Entry* entry = Find(timer);
    return entry != nullptr ? entry->due : -1;
}

template <class Entries>
auto* ManualTimerClock::FindIn(Entries& entries, const Timer& timer) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&timer](const Entry& entry) { return entry.timer == &timer; });
    return found != entries.end() ? &*found : nullptr;
}

ManualTimerClock::Entry* ManualTimerClock::Find(const Timer& timer) {
    return FindIn(entries_, timer);
}

const ManualTimerClock::Entry* ManualTimerClock::Find(const Timer& timer) const {
    return FindIn(entries_, timer);
}

ManualTimerClock::Entry* ManualTimerClock::EarliestDueBy(std::int64_t moment) {
    Entry* earliest = nullptr;
    for (Entry& entry : entries_) {
        if (entry.due > moment) {
            continue;
        }
        if (earliest == nullptr || entry.due < earliest->due ||
            (entry.due == earliest->due && entry.order < earliest->order)) {
            earliest = &entry;
        }
    }
    return earliest;
}

}  // namespace tavr
