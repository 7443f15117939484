#pragma once

#include <chrono>
#include <optional>

namespace tavr {

// When a polling run (watch, publish) asks its meters: a cycle every `every` from the start, on
// a fixed grid, until `duration` has passed (or for ever). The clock is passed in, so the rule
// holds for any moment.
class PollSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    PollSchedule(std::chrono::milliseconds every,
                 std::optional<std::chrono::milliseconds> duration);

    void Start(Clock::time_point now);

    // Whether `moment` is before the run's end.
    bool BeforeEnd(Clock::time_point moment) const;
    // How long from `now` to the run's end, at least 0; the longest duration when it has none.
    std::chrono::milliseconds UntilEnd(Clock::time_point now) const;

    // Whether a cycle that took `took` ran past its period.
    bool Overran(Clock::duration took) const { return took > every_; }

    // The cycle after the one due at `due`, seen at `now`: the next moment on the grid. A cycle
    // that overran its period is followed at once; moments missed otherwise (while the port
    // was reopened) are skipped, not caught up in a burst.
    Clock::time_point Next(Clock::time_point due, bool overran, Clock::time_point now) const;

    std::chrono::milliseconds Every() const { return every_; }
    Clock::time_point StartedAt() const { return start_; }

  private:
    std::chrono::milliseconds every_;
    std::optional<std::chrono::milliseconds> duration_;
    Clock::time_point start_;
};

}  // namespace tavr
