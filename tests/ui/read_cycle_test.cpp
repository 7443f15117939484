#include <limits>
#include <ostream>

#include "meter_program_test.h"

namespace tavr {
namespace {

constexpr const char* ReadFromDevice1 = "01 03 00 00 00 23 04 13";

using ReadCycleTest = MeterProgramTest;

TEST_F(ReadCycleTest, AReadBeforeConnectingSendsNothingAndTurnsTheLampRed) {
    Start();
    ClickRead();
    EXPECT_TRUE(Port().sent.empty());
    EXPECT_EQ(Lamp(), Red);
}

TEST_F(ReadCycleTest, OnlyAGreenLampLetsARequestThrough) {
    Start();
    ClickConnect();
    ClickRead();
    EXPECT_EQ(Sent(), std::vector<std::string>{ReadFromDevice1});
    EXPECT_EQ(Lamp(), Red);

    ClickRead();  // no byte of the answer yet
    EXPECT_EQ(Sent().size(), 1u);

    Receive({0x01});
    EXPECT_EQ(Lamp(), Green);
    ClickRead();
    EXPECT_EQ(Sent(), (std::vector<std::string>{ReadFromDevice1, ReadFromDevice1}));
}

TEST_F(ReadCycleTest, TheRequestGoesToTheDeviceTheSelectorShowsNow) {
    Start();
    ClickConnect();
    C().设备ID.Pick(6);
    ClickRead();
    EXPECT_EQ(Sent().back(), "07 03 00 00 00 23 04 75");
}

TEST_F(ReadCycleTest, APressWhileAnAnswerArrivesRestartsTheCollection) {
    Start();
    ClickConnect();
    ClickRead();
    const ByteSet stale = ReplyFrame(Registers({{0x09, 111}}));
    Receive(ByteSet(stale.begin(), stale.begin() + 40));
    ClickRead();
    EXPECT_EQ(Sent().size(), 2u);
    Receive(ReplyFrame(Registers({{0x09, 222}})));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00222");
}

// Acts as a meter that answers every request at once with one byte, so that the lamp is green
// again for the next tick.
class AutoRead : public MeterProgramTest {
  protected:
    void SetUp() override {
        MeterProgramTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Start();
        ClickConnect();
    }

    // Advances the clock one millisecond at a time for `milliseconds`, answering every request,
    // and returns the moments (from now) at which requests went out.
    std::vector<std::int64_t> RequestMoments(std::int64_t milliseconds) {
        std::vector<std::int64_t> moments;
        const std::int64_t start = Now();
        while (Now() - start < milliseconds) {
            const std::size_t before = Port().sent.size();
            Advance(1);
            if (Port().sent.size() > before) {
                moments.push_back(Now() - start);
                Receive({0x01});
            }
        }
        return moments;
    }
};

TEST_F(AutoRead, TicksWithThePeriodWhileTheBoxIsChecked) {
    C().自动读取选择框.Click();
    EXPECT_EQ(RequestMoments(9000), (std::vector<std::int64_t>{3000, 6000, 9000}));
    EXPECT_EQ(Sent().front(), ReadFromDevice1);

    C().自动读取选择框.Click();
    EXPECT_TRUE(RequestMoments(9000).empty());
}

struct PeriodCase {
    const char* name;
    const char* typed;
    std::int32_t interval;
    friend void PrintTo(const PeriodCase& value, std::ostream* out) { *out << value.name; }
};

class Periods : public AutoRead, public testing::WithParamInterface<PeriodCase> {};

TEST_P(Periods, SetTheAutoReadIntervalInMilliseconds) {
    C().自动读取选择框.Click();
    C().隔几秒.Type(GetParam().typed);
    EXPECT_EQ(C().时钟2.Interval(), GetParam().interval);
    EXPECT_EQ(C().时钟2.IsRunning(), GetParam().interval > 0);
    if (GetParam().interval == 0) {
        EXPECT_TRUE(RequestMoments(10000).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Periods,
    testing::Values(PeriodCase{"Whole", "5", 5000}, PeriodCase{"Half", "0.5", 500},
                    PeriodCase{"TruncatedToMilliseconds", "2.0009", 2000},
                    PeriodCase{"FullWidth", "４", 4000}, PeriodCase{"Zero", "0", 0},
                    PeriodCase{"Empty", "", 0}, PeriodCase{"NotANumber", "abc", 0},
                    PeriodCase{"Negative", "-2", 0},
                    PeriodCase{"Absurd", "1e10", std::numeric_limits<std::int32_t>::max()},
                    PeriodCase{"AbsurdlyNegative", "-1e10", 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(AutoRead, HalfASecondGivesARequestEvery500Milliseconds) {
    C().隔几秒.Type("0.5");
    C().自动读取选择框.Click();
    EXPECT_EQ(RequestMoments(1500), (std::vector<std::int64_t>{500, 1000, 1500}));
}

TEST_F(AutoRead, ThePeriodBoxIsIgnoredWhileTheBoxIsUnchecked) {
    C().隔几秒.Type("1");
    EXPECT_FALSE(C().时钟2.IsRunning());
    EXPECT_TRUE(RequestMoments(5000).empty());
}

TEST_F(AutoRead, TheSamePeriodKeepsThePhaseAndADifferentOneRestartsIt) {
    C().自动读取选择框.Click();
    Advance(500);
    C().隔几秒.Type("3.0");
    EXPECT_EQ(RequestMoments(2500), std::vector<std::int64_t>{2500});

    Advance(500);
    C().隔几秒.Type("2");
    EXPECT_EQ(RequestMoments(4000), (std::vector<std::int64_t>{2000, 4000}));
}

TEST_F(AutoRead, TicksWhileDisconnectedSendNothingUntilAConnect) {
    ClickConnect();  // disconnect
    C().自动读取选择框.Click();
    Advance(3000);
    EXPECT_TRUE(Port().sent.empty());
    EXPECT_EQ(Lamp(), Red);

    ClickConnect();
    EXPECT_EQ(RequestMoments(3000), std::vector<std::int64_t>{3000});
}

}  // namespace
}  // namespace tavr
