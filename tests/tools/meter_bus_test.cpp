#include "meter_simulator/meter_bus.h"

#include <gtest/gtest.h>

#include "meter_simulator/simulator_options.h"
#include "protocol/frame_codec.h"

namespace tavr::simulator {
namespace {

using std::chrono::milliseconds;

bool CrcHolds(const ByteSet& frame) {
    const std::uint16_t crc = Crc16(std::span(frame).first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

// Meters 1, 2 and 5 on one line, 2 silent and 5 garbled, after ten seconds of discharge.
class MeterBusTest : public ::testing::Test {
  protected:
    MeterBusTest()
        : bus_({{1, {}}, {2, {FaultKind::Silent, 0}}, {5, {FaultKind::BadCrc, 0}}, {7, {}}}, 1) {
        bus_.Tick(milliseconds{10'000});
    }

    MeterBus bus_;
};

TEST_F(MeterBusTest, OnlyTheAddressedMeterAnswersEachInItsOwnWay) {
    struct Case {
        int deviceId;
        Verdict verdict;
        bool answered;
        bool intact;
    };
    const Case cases[] = {
        {1, Verdict::Answered, true, true},       {2, Verdict::Unheard, false, false},
        {5, Verdict::Answered, true, false},      {7, Verdict::Answered, true, true},
        {9, Verdict::OtherAddress, false, false},
    };
    for (const Case& c : cases) {
        const std::vector<Exchange> exchanges = bus_.Receive(BuildReadRequest(c.deviceId));
        ASSERT_EQ(exchanges.size(), 1u) << c.deviceId;
        EXPECT_EQ(exchanges[0].verdict, c.verdict) << c.deviceId;
        ASSERT_EQ(exchanges[0].answer.has_value(), c.answered) << c.deviceId;
        if (c.answered) {
            const ByteSet& reply = exchanges[0].answer->bytes;
            ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength));
            EXPECT_EQ(reply[0], c.deviceId);
            EXPECT_EQ(CrcHolds(reply), c.intact) << c.deviceId;
            EXPECT_EQ(RegisterValue(reply, 0), c.deviceId);
        }
    }
}

TEST_F(MeterBusTest, EachMeterHasItsOwnRegistersAndBattery) {
    bus_.Receive(BuildWriteRequest(1, 9, 2000));
    EXPECT_EQ(bus_.Bank(1)->Get(reg::kNominalCapacity), 2000);
    EXPECT_EQ(bus_.Bank(7)->Get(reg::kNominalCapacity), 1000);
    // Seeded apart: the wobbles differ after the same time.
    EXPECT_NE(bus_.Bank(1)->Get(reg::kVoltage), bus_.Bank(7)->Get(reg::kVoltage));
    EXPECT_EQ(bus_.Bank(3), nullptr);
}

TEST_F(MeterBusTest, ABroadcastReachesEveryMeterAndAnAddressChangeMovesOneMeter) {
    bus_.Receive(BuildWriteRequest(0, 9, 3000));
    for (const RegisterBank* bank : bus_.Banks()) {
        EXPECT_EQ(bank->Get(reg::kNominalCapacity), bank == bus_.Bank(2) ? 1000 : 3000);
    }
    bus_.Receive(BuildWriteRequest(7, 0, 9));
    EXPECT_EQ(bus_.Bank(7), nullptr);
    ASSERT_NE(bus_.Bank(9), nullptr);
    EXPECT_EQ(bus_.Receive(BuildReadRequest(9))[0].verdict, Verdict::Answered);
}

TEST_F(MeterBusTest, AFrameSplitAcrossReadsIsHeardOnce) {
    const ByteSet request = BuildReadRequest(7);
    EXPECT_TRUE(bus_.Receive(std::span(request).first(3)).empty());
    EXPECT_TRUE(bus_.HoldsPartialFrame());
    const std::vector<Exchange> exchanges = bus_.Receive(std::span(request).subspan(3));
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_EQ(exchanges[0].verdict, Verdict::Answered);
    EXPECT_FALSE(bus_.HoldsPartialFrame());
}

TEST(BusOptionsTest, TheCommandLineSetsUpTheMetersOnTheLine) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::vector<int> ids;
        std::vector<FaultKind> faults;
        std::string error;
    };
    using enum FaultKind;
    const Case cases[] = {
        {{}, {1}, {None}, ""},
        {{"--address", "9", "--fault", "bad-crc"}, {9}, {BadCrc}, ""},
        {{"--bus", "1-3,5"}, {1, 2, 3, 5}, {None, None, None, None}, ""},
        {{"--bus=4,2", "--silent", "2", "--garbled=4"}, {4, 2}, {BadCrc, Silent}, ""},
        {{"--bus", "1-3", "--silent", "1", "--silent", "3"}, {1, 2, 3}, {Silent, None, Silent}, ""},
        {{"--bus", "1-3", "--silent", "4"}, {}, {}, "--silent: meter 4 is not on the line"},
        {{"--garbled", "2"}, {}, {}, "--garbled: meter 2 is not on the line"},
        {{"--bus", "1,1"}, {}, {}, "--bus: 1,1 is not a list"},
        {{"--bus", "3-1"}, {}, {}, "--bus: 3-1 is not a list"},
        {{"--bus", "0-2"}, {}, {}, "--bus: 0-2 is not a list"},
        {{"--bus", "1,"}, {}, {}, "--bus: 1, is not a list"},
        {{"--bus", "248"}, {}, {}, "--bus: 248 is not a list"},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(parsed.error.substr(0, c.error.size()), c.error) << parsed.error;
        if (!c.error.empty()) {
            continue;
        }
        const std::vector<BusMeterSetup> meters = BusSetup(parsed.options);
        ASSERT_EQ(meters.size(), c.ids.size());
        for (std::size_t k = 0; k < meters.size(); ++k) {
            EXPECT_EQ(meters[k].deviceId, c.ids[k]);
            EXPECT_EQ(meters[k].fault.kind, c.faults[k]);
        }
    }
}

}  // namespace
}  // namespace tavr::simulator
