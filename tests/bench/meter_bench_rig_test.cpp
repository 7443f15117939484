// The rig the benchmarks measure with: the program against the simulator, with the hooks the
// figures rest on. A fault here would make every figure wrong without failing anything.
#include "support/meter_bench_rig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "protocol/frame_codec.h"
#include "support/reference_master.h"
#include "ui/link_lamp.h"

namespace tavr {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

TEST(MeterBenchRigTest, AManualReadFillsTheTableOnceWithItsNoticesSeenByTheHook) {
    std::atomic<int> notices{0};
    MeterBenchRig rig({.onNoticePosted = [&] { ++notices; }});
    EXPECT_TRUE(std::filesystem::is_symlink(rig.ComLink()));
    ASSERT_TRUE(rig.Connect());

    rig.Controls().读取数据.Click();
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Table().Fills() == 1; }, kPatience));

    // One notice for the reply when it comes in one read; at most one per byte in any case.
    const int firstNotices = notices;
    EXPECT_GE(firstNotices, 1);
    EXPECT_LE(firstNotices, kReadReplyLength);
    EXPECT_EQ(rig.Controls().超级列表框1.RowCount(), kRegisterCount);
    EXPECT_EQ(rig.Controls().外形框1.FillColour(), kLampReady);
    // A frozen meter: a second read gives the same table, filled once more.
    const Text firstValue = rig.Controls().超级列表框1.GetItemText(0, 1);
    rig.Controls().读取数据.Click();
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Table().Fills() == 2; }, kPatience));
    EXPECT_GT(notices, firstNotices);
    EXPECT_EQ(rig.Controls().超级列表框1.GetItemText(0, 1), firstValue);

    EXPECT_TRUE(rig.StopSimulator());
}

// The reference master reads the same line while the program has let go of it, and the program
// reads again afterwards.
TEST(MeterBenchRigTest, TheReferenceMasterReadsBetweenDisconnectAndConnect) {
    MeterBenchRig rig({});
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.Disconnect());
    {
        ReferenceMaster reference(rig.ComLink(), 2400, 1);
        const std::vector<double> roundTrips = reference.ReadBackToBack(3, 1);
        ASSERT_EQ(roundTrips.size(), 3u);
        for (const double roundTrip : roundTrips) {
            EXPECT_GT(roundTrip, 0.0);
        }
    }
    ASSERT_TRUE(rig.Connect());
    rig.Controls().读取数据.Click();
    EXPECT_TRUE(rig.PumpUntil([&] { return rig.Table().Fills() == 1; }, kPatience));
    EXPECT_TRUE(rig.StopSimulator());
}

TEST(MeterBenchRigTest, PumpingGivesUpWhenNothingComes) {
    MeterBenchRig rig({});
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.Command("fault silent"));

    rig.Controls().读取数据.Click();

    EXPECT_FALSE(
        rig.PumpUntil([&] { return rig.Table().Fills() > 0; }, std::chrono::milliseconds(50)));
    EXPECT_EQ(rig.Table().Fills(), 0u);
}

}  // namespace
}  // namespace tavr
