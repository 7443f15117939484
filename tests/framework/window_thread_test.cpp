#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/manual_timer_clock.h"
#include "framework/queued_poster.h"
#include "framework/visual_style.h"
#include "framework/window_thread.h"

namespace tavr {
namespace {

TEST(QueuedPoster, RunsPostsFromOtherThreadsInTheirOrderOnlyWhenPumped) {
    QueuedPoster posts;
    std::vector<int> ran;  // touched by the pumping thread only
    auto postFrom = [&](int first) {
        for (int i = first; i < first + 100; ++i) {
            posts.Post([&ran, i] { ran.push_back(i); });
        }
    };
    std::thread one(postFrom, 0);
    std::thread two(postFrom, 1000);
    one.join();
    two.join();
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(posts.Pump(), 200u);

    std::vector<int> fromOne;
    std::vector<int> fromTwo;
    for (int value : ran) {
        (value < 1000 ? fromOne : fromTwo).push_back(value);
    }
    ASSERT_EQ(fromOne.size(), 100u);
    ASSERT_EQ(fromTwo.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(fromOne[static_cast<std::size_t>(i)], i);
        EXPECT_EQ(fromTwo[static_cast<std::size_t>(i)], 1000 + i);
    }
}

TEST(QueuedPoster, PumpAlsoRunsWhatATaskPosts) {
    QueuedPoster posts;
    std::vector<int> ran;
    posts.Post([&] {
        ran.push_back(1);
        posts.Post([&] { ran.push_back(3); });
    });
    posts.Post([&] { ran.push_back(2); });
    EXPECT_EQ(posts.Pump(), 3u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(posts.Pending(), 0u);
}

TEST(QueuedPoster, WaitForPostWakesForAPostFromAnotherThread) {
    QueuedPoster posts;
    EXPECT_FALSE(posts.WaitForPost(std::chrono::milliseconds(0)));
    std::thread poster([&] { posts.Post([] {}); });
    // The long limit only guards against a hang; the post normally wakes the wait at once.
    EXPECT_TRUE(posts.WaitForPost(std::chrono::seconds(30)));
    poster.join();
    EXPECT_EQ(posts.Pump(), 1u);
}

TEST(Delay, SleepsTheGivenTimeAndNeverANegativeOne) {
    ManualTimerClock clock;
    std::vector<std::chrono::milliseconds> slept;
    WindowThread thread(std::make_shared<QueuedPoster>(), clock,
                        [&](std::chrono::milliseconds duration) { slept.push_back(duration); });
    thread.Delay(100);
    thread.Delay(0);
    thread.Delay(-5);
    EXPECT_EQ(slept, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(100),
                                                             std::chrono::milliseconds(0),
                                                             std::chrono::milliseconds(0)}));
}

struct StyleCase {
    std::int32_t style;
    std::int32_t result;
    std::optional<Colour> frame;
};

class VisualStyles : public testing::TestWithParam<StyleCase> {};

TEST_P(VisualStyles, SwitchOnOnlyForTheThreeSchemes) {
    VisualStyle look;
    int changes = 0;
    look.onChanged = [&](const VisualStyle&) { ++changes; };
    look.Enable(2);  // an earlier switch-on the new value replaces
    EXPECT_EQ(look.Enable(GetParam().style), GetParam().result);
    EXPECT_EQ(look.IsOn(), GetParam().result == 1);
    EXPECT_EQ(look.FrameColour(), GetParam().frame);
    EXPECT_EQ(changes, 2);
}

INSTANTIATE_TEST_SUITE_P(Styles, VisualStyles,
                         testing::Values(StyleCase{1, 1, 12426875u}, StyleCase{2, 1, 8370596u},
                                         StyleCase{3, 1, 14140870u}, StyleCase{0, 0, std::nullopt},
                                         StyleCase{4, 0, std::nullopt},
                                         StyleCase{-1, 0, std::nullopt}),
                         [](const auto& info) {
                             const std::int32_t style = info.param.style;
                             return style < 0 ? "Minus" + std::to_string(-style)
                                              : "Style" + std::to_string(style);
                         });

}  // namespace
}  // namespace tavr
