#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/headless_window_thread.h"
#include "framework/timer.h"
#include "framework/window.h"

namespace tavr {
namespace {

class Timers : public testing::Test {
  protected:
    Timers() {
        timer.onElapsed = [this] { ticks.push_back(headless.Clock().Now()); };
    }

    HeadlessWindowThread headless;
    Window window{headless.Thread(), "main", 695, 670};
    Timer& timer = window.Add<Timer>("时钟2");
    std::vector<std::int64_t> ticks;
};

// One write of Interval at a moment of a timer that has been running at 100 ms since 0.
struct IntervalCase {
    const char* name;
    std::int64_t writtenAt;
    std::int32_t written;
    std::int32_t stored;
    std::vector<std::int64_t> ticksBy500;
};

class IntervalWrites : public Timers, public testing::WithParamInterface<IntervalCase> {};

TEST_P(IntervalWrites, FollowTheIntervalRules) {
    timer.SetInterval(100);
    window.Create();
    headless.Clock().Advance(GetParam().writtenAt);
    ticks.clear();
    timer.SetInterval(GetParam().written);
    headless.Clock().Advance(500 - GetParam().writtenAt);
    EXPECT_EQ(timer.Interval(), GetParam().stored);
    EXPECT_EQ(timer.IsRunning(), GetParam().stored > 0);
    EXPECT_EQ(ticks, GetParam().ticksBy500);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IntervalWrites,
    testing::Values(
        IntervalCase{"SameValueKeepsThePhase", 150, 100, 100, {200, 300, 400, 500}},
        IntervalCase{"OtherValueRestartsAFullPeriodLater", 150, 120, 120, {270, 390}},
        IntervalCase{"ShorterValueRestartsToo", 150, 50, 50, {200, 250, 300, 350, 400, 450, 500}},
        IntervalCase{"ZeroStops", 150, 0, 0, {}},
        IntervalCase{"NegativeStoresZeroAndStops", 150, -5, 0, {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Timers, ANegativeWriteOnAStoppedTimerChangesNothing) {
    window.Create();
    timer.SetInterval(-5);
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_FALSE(headless.Clock().IsRunning(timer));
}

TEST_F(Timers, AnIntervalWrittenBeforeTheWindowExistsStartsWithIt) {
    timer.SetInterval(100);
    headless.Clock().Advance(250);
    EXPECT_FALSE(timer.IsRunning());
    window.Create();
    headless.Clock().Advance(250);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{350, 450}));
}

TEST_F(Timers, MissedPeriodsWhileBusyYieldOneLateTickAndKeepThePhase) {
    timer.SetInterval(100);
    window.Create();
    headless.Clock().Advance(50);
    headless.Thread().Delay(330);  // busy until 380: ticks at 100..300 are missed
    EXPECT_TRUE(ticks.empty());
    headless.Clock().Advance(150);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{380, 400, 500}));
}

TEST_F(Timers, DueTimersTickInOrderAndAHandlerMayRearmThem) {
    auto& reread = window.Add<Timer>("时钟1");
    std::vector<std::string> order;
    timer.onElapsed = [&] { order.push_back("auto " + std::to_string(headless.Clock().Now())); };
    reread.onElapsed = [&] {
        order.push_back("reread " + std::to_string(headless.Clock().Now()));
        reread.SetInterval(0);   // one-shot use, as the re-read timer is used
        timer.SetInterval(300);  // restart the other from now
    };
    timer.SetInterval(100);
    reread.SetInterval(100);
    window.Create();
    headless.Clock().Advance(500);
    EXPECT_EQ(order, (std::vector<std::string>{"auto 100", "reread 100", "auto 400"}));
}

TEST_F(Timers, ClosingTheWindowStopsItsTimers) {
    timer.SetInterval(100);
    window.Create();
    window.Close();
    headless.Clock().Advance(500);
    EXPECT_TRUE(ticks.empty());
    EXPECT_FALSE(headless.Clock().IsRunning(timer));
    timer.SetInterval(50);  // stored, but a closed window runs no timer
    EXPECT_FALSE(timer.IsRunning());
}

}  // namespace
}  // namespace tavr
