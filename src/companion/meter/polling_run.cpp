#include "companion/meter/polling_run.h"

#include "companion/meter/port_probe.h"
#include "companion/meter/port_reopening.h"

namespace tavr {

using Clock = PollSchedule::Clock;
using std::chrono::milliseconds;

PollingRun::PollingRun(const PollPlan& plan, InterruptHandle interrupt)
    : connection_(plan.connection),
      link_(interrupt),
      cycle_(link_, plan.connection.deviceIds, plan.connection.retries),
      schedule_(plan.every, plan.duration) {}

SerialOpenResult PollingRun::Open() {
    device_ = ChosenDevice(connection_);
    return link_.Open(connection_);
}

bool PollingRun::WaitUntilOpen(const std::function<void()>& beforeWait) {
    schedule_.Start(Clock::now());
    if (!ReopenAfterHangUp(link_, connection_, {}, schedule_, beforeWait)) {
        stopped_ = true;
        return false;
    }
    device_ = ChosenDevice(connection_);
    return true;
}

void PollingRun::Run(const Events& events) {
    schedule_.Start(Clock::now());
    bool overran = false;
    for (Clock::time_point due = schedule_.StartedAt(); !stopped_ && schedule_.BeforeEnd(due);
         due = schedule_.Next(due, overran, Clock::now())) {
        if (!PauseUntil(due, events)) {
            stopped_ = true;
            break;
        }
        const Clock::time_point began = Clock::now();
        const bool whole = Cycle(due + schedule_.Every(), events);
        const Clock::duration took = Clock::now() - began;
        overran = whole && schedule_.Overran(took);
        if (overran && !warnedOverrun_) {
            warnedOverrun_ = true;
            events.overran(took);
        }
    }
}

bool PollingRun::PauseUntil(Clock::time_point due, const Events& events) {
    while (true) {
        events.between();
        switch (link_.PauseUnlessWoken(std::chrono::ceil<milliseconds>(due - Clock::now()))) {
            case MeterLink::PauseEnd::Elapsed:
                return true;
            case MeterLink::PauseEnd::Interrupted:
                return false;
            case MeterLink::PauseEnd::Woken:
                break;
        }
    }
}

bool PollingRun::Cycle(Clock::time_point nextDue, const Events& events) {
    // Retries stop at the next cycle's moment.
    for (const MeterPoll& poll : cycle_.Run(nextDue)) {
        events.poll(poll);
        if (poll.outcome == ExchangeOutcome::Interrupted) {
            stopped_ = true;
        }
        if (stopped_) {
            return false;
        }
        if (poll.outcome == ExchangeOutcome::HungUp) {
            if (ReopenAfterHangUp(link_, connection_, device_, schedule_, events.reopening)) {
                events.reopened();
            } else {
                stopped_ = true;
            }
            return false;
        }
    }
    return true;
}

}  // namespace tavr
