#include <gtest/gtest.h>

#include "companion/meter/poll_schedule.h"

namespace tavr {
namespace {

using std::chrono::milliseconds;
using Clock = PollSchedule::Clock;

// The moments of a run every second, seen from a start at 0.
TEST(PollScheduleTest, CyclesStayOnTheGridSkipWhatAReopeningMissedAndFollowAnOverrunAtOnce) {
    struct Case {
        const char* name;
        int due;  // ms since the start
        bool overran;
        int now;
        int next;
    };
    const Case cases[] = {
        {"the next moment", 0, false, 300, 1000},
        {"a cycle that ended on the next moment", 0, false, 1000, 1000},
        {"a cycle that overran is followed at once", 0, true, 1400, 1400},
        {"moments missed while reopening are skipped", 1000, false, 4200, 5000},
        {"exactly on a later moment", 1000, false, 4000, 4000},
    };
    PollSchedule schedule(milliseconds(1000), std::nullopt);
    const Clock::time_point start{};
    schedule.Start(start);
    for (const Case& c : cases) {
        EXPECT_EQ(
            schedule.Next(start + milliseconds(c.due), c.overran, start + milliseconds(c.now)),
            start + milliseconds(c.next))
            << c.name;
    }
    EXPECT_TRUE(schedule.Overran(milliseconds(1001)));
    EXPECT_FALSE(schedule.Overran(milliseconds(1000)));
}

// --for ends the run: no cycle at its end, and no wait (a reopening's) past it.
TEST(PollScheduleTest, TheRunEndsAfterItsDuration) {
    struct Case {
        const char* name;
        std::optional<milliseconds> duration;
        int moment;  // ms since the start
        bool before;
        milliseconds untilEnd;
    };
    const Case cases[] = {
        {"until Ctrl+C", std::nullopt, 1'000'000'000, true, milliseconds::max()},
        {"within --for", milliseconds(5000), 4999, true, milliseconds(1)},
        {"at the end of --for", milliseconds(5000), 5000, false, milliseconds(0)},
        {"past the end", milliseconds(5000), 7000, false, milliseconds(0)},
    };
    for (const Case& c : cases) {
        PollSchedule schedule(milliseconds(1000), c.duration);
        const Clock::time_point start{};
        schedule.Start(start);
        const Clock::time_point moment = start + milliseconds(c.moment);
        EXPECT_EQ(schedule.BeforeEnd(moment), c.before) << c.name;
        EXPECT_EQ(schedule.UntilEnd(moment), c.untilEnd) << c.name;
    }
}

}  // namespace
}  // namespace tavr
