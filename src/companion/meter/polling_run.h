#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

#include "companion/meter/connection_choice.h"
#include "companion/meter/meter_link.h"
#include "companion/meter/meter_poll_cycle.h"
#include "companion/meter/poll_schedule.h"
#include "companion/platform/interrupt_handle.h"

namespace tavr {

// What a polling run asks and when: the meters of the connection, a cycle every `every`, for
// `duration` (nothing: until Ctrl+C).
struct PollPlan {
    ConnectionChoice connection;
    std::chrono::milliseconds every{1000};
    std::optional<std::chrono::milliseconds> duration;

    bool operator==(const PollPlan&) const = default;
};

// The polling that watch and publish share: it opens the chosen port, asks the meters one cycle
// at each moment of the schedule, and reopens the port after a hang-up, until the schedule's
// end, Ctrl+C or Stop(). What the polls mean is the run's own, told through its events.
class PollingRun {
  public:
    struct Events {
        // Each poll of a cycle, in order; a hang-up or Ctrl+C ends the cycle after its poll.
        std::function<void(const MeterPoll& poll)> poll;
        // The first cycle that took longer than the period; later ones follow back to back.
        std::function<void(PollSchedule::Clock::duration took)> overran;
        // Before each wait to reopen the port, and once it is open again.
        std::function<void()> reopening;
        std::function<void()> reopened;
        // Between cycles, before each pause and whenever Wake() cut a pause short: the run's own
        // work on this thread, such as a write, which then never meets a poll on the line.
        std::function<void()> between = [] {};
    };

    PollingRun(const PollPlan& plan, InterruptHandle interrupt);

    // Opens the chosen port, and notes the device it leads to: only that one is reopened.
    SerialOpenResult Open();

    // After a failed Open: waits for the port as for a pulled adapter, until it opens (true) or
    // the operator interrupts or the run's end comes (false). `beforeWait` runs before each wait.
    bool WaitUntilOpen(const std::function<void()>& beforeWait);

    // Polls until the end; the events run on this thread.
    void Run(const Events& events);

    // Ends the run after the poll being told.
    void Stop() { stopped_ = true; }
    bool Stopped() const { return stopped_; }

    // Cuts the pause before the next cycle short, so that `between` runs now; any thread may
    // call it.
    void Wake() { link_.Wake(); }

    // The line, for the work done `between` polls.
    MeterLink& Link() { return link_; }

  private:
    // Pauses until `due`, running `between` before and whenever woken; false when interrupted.
    bool PauseUntil(PollSchedule::Clock::time_point due, const Events& events);
    // One cycle due before `nextDue`; false when it did not run whole (hang-up, stop).
    bool Cycle(PollSchedule::Clock::time_point nextDue, const Events& events);

    const ConnectionChoice& connection_;
    MeterLink link_;
    MeterPollCycle cycle_;
    PollSchedule schedule_;
    std::filesystem::path device_;
    bool stopped_ = false;
    bool warnedOverrun_ = false;
};

}  // namespace tavr
