#include "companion/platform/notice_waiter.h"

#include <gtest/gtest.h>

#include <thread>

#include "companion/meter/meter_link.h"
#include "companion/platform/test_interrupt.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;
using Woken = NoticeWaiter::Woken;
using std::chrono::milliseconds;

// A deadline no test reaches unless the wait fails to end on what it waits for.
constexpr milliseconds kFarAway{10'000};
constexpr milliseconds kPassed{0};

// The serial unit's watcher notifies from its own thread; a notice given before the wait, or
// while it waits, ends it; a cleared one does not; the operator's interruption ends every wait,
// and wins over a notice given at the same time, so that an interrupted run takes no more
// answers.
TEST(NoticeWaiter, EndsOnANoticeTheInterruptOrTheDeadline) {
    TestInterrupt interrupt;
    NoticeWaiter waiter(interrupt.Handle());
    ASSERT_TRUE(waiter.Valid());

    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + kPassed), Woken::TimedOut);
    waiter.Notify();
    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + kFarAway), Woken::Notice);
    waiter.Notify();
    waiter.Clear();
    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + milliseconds(20)), Woken::TimedOut);

    std::thread watcher([&waiter] { waiter.Notify(); });
    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + kFarAway), Woken::Notice);
    watcher.join();

    EXPECT_EQ(waiter.WaitForInterrupt(Clock::now() + milliseconds(20)), Woken::TimedOut);
    waiter.Notify();
    interrupt.Signal();
    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + kFarAway), Woken::Interrupted);
    EXPECT_EQ(waiter.WaitForInterrupt(Clock::now() + kFarAway), Woken::Interrupted);
}

TEST(NoticeWaiter, WithoutAnInterruptOnlyTheDeadlineEndsAPause) {
    NoticeWaiter waiter(kNoInterrupt);
    waiter.Notify();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(waiter.WaitForInterrupt(start + milliseconds(20)), Woken::TimedOut);
    EXPECT_GE(Clock::now() - start, milliseconds(20));
    EXPECT_EQ(waiter.WaitForNotice(Clock::now() + kFarAway), Woken::Notice);
}

// The link's pause between readings ends at once on the operator's interruption: watch then
// ends with its summary.
TEST(NoticeWaiter, AnInterruptEndsTheLinksPause) {
    TestInterrupt interrupt;
    const MeterLink link(interrupt.Handle());
    EXPECT_TRUE(link.Pause(milliseconds(1)));
    interrupt.Signal();
    EXPECT_FALSE(link.Pause(kFarAway));
}

}  // namespace
}  // namespace tavr
