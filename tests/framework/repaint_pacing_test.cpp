#include "framework/repaint_pacing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace tavr {
namespace {

using std::chrono::milliseconds;

struct PacingCase {
    const char* name;
    std::vector<int> paintedAtMs;
    int askedAtMs;
    int waitMs;
    int lookWaitMs;  // a look at a change that may be undone within the frame (the lamp)
};

class Pacing : public testing::TestWithParam<PacingCase> {};

// Repaints paced to frames of 16 ms: a repaint is held back only within a frame of the last
// paint; a look waits for the next frame, a whole frame after a quiet spell.
TEST_P(Pacing, HoldsBackARepaintOnlyWithinAFrameOfTheLastPaint) {
    const PacingCase& c = GetParam();
    const RepaintPacing::Clock::time_point start;
    RepaintPacing pacing(milliseconds(16));
    for (const int paintedAt : c.paintedAtMs) {
        pacing.Painted(start + milliseconds(paintedAt));
    }
    const RepaintPacing::Clock::time_point asked = start + milliseconds(c.askedAtMs);
    EXPECT_EQ(pacing.WaitBefore(asked), milliseconds(c.waitMs));
    EXPECT_EQ(pacing.LookWaitBefore(asked), milliseconds(c.lookWaitMs));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Pacing,
    testing::Values(PacingCase{"TheFirstPaintRunsAtOnce", {}, 0, 0, 16},
                    PacingCase{"RightAfterAPaintWaitsAWholeFrame", {100}, 100, 16, 16},
                    PacingCase{"WithinAFrameWaitsForItsEnd", {100}, 110, 6, 6},
                    PacingCase{"AtTheFramesEndRunsAtOnce", {100}, 116, 0, 16},
                    PacingCase{"AfterALongQuietRunsAtOnce", {100}, 5000, 0, 16},
                    PacingCase{"OnlyTheLastPaintCounts", {100, 140}, 150, 6, 6}),
    [](const auto& info) { return info.param.name; });

TEST(RepaintFrames, FollowTheDisplaysRefreshRateOr60Hz) {
    using std::chrono::microseconds;
    EXPECT_EQ(std::chrono::duration_cast<microseconds>(FrameAt(60)), microseconds(16666));
    EXPECT_EQ(std::chrono::duration_cast<microseconds>(FrameAt(144)), microseconds(6944));
    EXPECT_EQ(FrameAt(0), FrameAt(60));
    EXPECT_EQ(FrameAt(-1), FrameAt(60));
}

TEST(RepaintFrames, AZeroFrameNeverHoldsBack) {
    RepaintPacing pacing(milliseconds(16));
    const RepaintPacing::Clock::time_point now{};
    pacing.Painted(now);
    pacing.SetFrame(RepaintPacing::Clock::duration::zero());
    EXPECT_EQ(pacing.WaitBefore(now), RepaintPacing::Clock::duration::zero());
    EXPECT_EQ(pacing.LookWaitBefore(now), RepaintPacing::Clock::duration::zero());
}

}  // namespace
}  // namespace tavr
