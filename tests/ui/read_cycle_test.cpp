#include <deque>
#include <limits>
#include <ostream>
#include <utility>

#include "meter_program_test.h"

namespace tavr {
namespace {

constexpr const char* kReadFromDevice1 = "01 03 00 00 00 23 04 13";

using ReadCycleTest = MeterProgramTest;

TEST_F(ReadCycleTest, AReadBeforeConnectingSendsNothingAndTurnsTheLampRed) {
    Start();
    ClickRead();
    EXPECT_TRUE(Port().sent.empty());
    EXPECT_EQ(Lamp(), kRed);
}

TEST_F(ReadCycleTest, OnlyAGreenLampLetsARequestThrough) {
    Start();
    ClickConnect();
    ClickRead();
    EXPECT_EQ(Sent(), std::vector<std::string>{kReadFromDevice1});
    EXPECT_EQ(Lamp(), kRed);

    ClickRead();  // no byte of the answer yet
    EXPECT_EQ(Sent().size(), 1u);

    Receive(ReplyFrame(Registers({})));
    EXPECT_EQ(Lamp(), kGreen);
    ClickRead();
    EXPECT_EQ(Sent(), (std::vector<std::string>{kReadFromDevice1, kReadFromDevice1}));
}

// What a read request step does some time after a request, by how much of the answer came.
struct ReadStepCase {
    const char* name;
    int bytesReceived;  // of a 75-byte answer, the last of them at once
    std::int64_t wait;  // milliseconds from then to the step
    bool sends;
    friend void PrintTo(const ReadStepCase& value, std::ostream* out) { *out << value.name; }
};

class ReadSteps : public MeterProgramTest, public testing::WithParamInterface<ReadStepCase> {};

TEST_P(ReadSteps, SendWhenTheLampIsGreenOrTheRequestIsLostButNeverWhileAReplyArrives) {
    const ReadStepCase& step = GetParam();
    Start();
    ClickConnect();
    ClickRead();
    const ByteSet reply = ReplyFrame(Registers({{0x09, 111}}));
    Receive(ByteSet(reply.begin(), reply.begin() + step.bytesReceived));
    Advance(step.wait);
    ClickRead();
    EXPECT_EQ(Sent().size(), step.sends ? 2u : 1u);
    if (step.bytesReceived > 0 && step.bytesReceived < kReadReplyLength && !step.sends) {
        // The step left the reply alone: its rest completes it.
        EXPECT_EQ(Lamp(), kGreen);
        Receive(ByteSet(reply.begin() + step.bytesReceived, reply.end()));
        EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");
    } else {
        EXPECT_EQ(Lamp(), kRed);
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, ReadSteps,
                         testing::Values(ReadStepCase{"NoAnswerYet", 0, 0, false},
                                         ReadStepCase{"NoAnswerJustBeforeTheTimeOut", 0, 999,
                                                      false},
                                         ReadStepCase{"NoAnswerForTheTimeOut", 0, 1000, true},
                                         ReadStepCase{"ReplyArriving", 1, 0, false},
                                         ReadStepCase{"ReplyArrivingAfterAGap", 74, 99, false},
                                         ReadStepCase{"ReplyStalled", 40, 100, true},
                                         ReadStepCase{"ReplyComplete", 75, 0, true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ReadCycleTest, ALostRequestIsSentAgainOnlyWhileConnected) {
    Start();
    ClickConnect();
    ClickRead();
    ClickConnect();  // disconnect: the lamp turns grey
    Advance(1000);
    ClickRead();
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Lamp(), kRed);
    Advance(1000);
    ClickRead();
    EXPECT_EQ(Sent().size(), 1u) << "the port is closed";
}

TEST_F(ReadCycleTest, TheRequestGoesToTheDeviceTheSelectorShowsNow) {
    Start();
    ClickConnect();
    C().设备ID.Pick(6);
    ClickRead();
    EXPECT_EQ(Sent().back(), "07 03 00 00 00 23 04 75");
}

TEST_F(ReadCycleTest, AReplyFromTheDeviceAskedIsShownAfterTheSelectorMoved) {
    Start();
    ClickConnect();
    ClickRead();
    C().设备ID.Pick(6);
    Receive(ReplyFrame(Registers({{0x09, 111}})));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");

    ClickRead();  // to device 7 now
    Receive(ReplyFrame(Registers({{0x09, 222}})));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");
    Advance(100);
    ClickRead();
    Receive(ReplyFrame(Registers({{0x09, 333}}), 7));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00333");
}

// A read step that sends nothing (the last request is still outstanding) leaves the awaited
// device as it was: the late answer of the device asked is still shown.
TEST_F(ReadCycleTest, AReadThatSendsNothingKeepsAwaitingTheDeviceAsked) {
    Start();
    ClickConnect();
    C().设备ID.Pick(6);
    ClickRead();  // to device 7
    Advance(400);
    C().设备ID.Pick(7);
    ClickRead();  // device 8 is selected, but 7 has not answered yet
    EXPECT_EQ(Sent(), std::vector<std::string>{"07 03 00 00 00 23 04 75"});
    Advance(500);
    Receive(ReplyFrame(Registers({{0x09, 777}}), 7));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00777");

    ClickRead();  // the lamp is green: the request goes to device 8, whose answer counts now
    Receive(ReplyFrame(Registers({{0x09, 888}}), 7));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00777");
    Advance(100);
    ClickRead();
    Receive(ReplyFrame(Registers({{0x09, 888}}), 8));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00888");
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
    EXPECT_EQ(Sent().front(), kReadFromDevice1);

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

TEST_F(AutoRead, APeriodShorterThanAReplyWaitsForEachReplyToEnd) {
    constexpr double kByteMs = 10 * 1000.0 / 2400;  // 75 bytes take 312.5 ms at 2400 baud
    C().隔几秒.Type("0.2");
    C().自动读取选择框.Click();
    std::deque<std::pair<double, std::uint8_t>> line;  // bytes on the wire and when they land
    std::uint16_t replies = 0;
    while (Now() < 4000) {
        const std::size_t before = Port().sent.size();
        Advance(1);
        if (Port().sent.size() > before) {
            EXPECT_TRUE(line.empty()) << "a request went out at " << Now() << " ms over a reply";
            const ByteSet reply = ReplyFrame(Registers({{0x09, ++replies}}));
            for (std::size_t i = 0; i < reply.size(); ++i) {
                line.emplace_back(static_cast<double>(Now()) + kByteMs * (i + 1), reply[i]);
            }
        }
        while (!line.empty() && line.front().first <= static_cast<double>(Now())) {
            Receive({line.front().second});
            line.pop_front();
        }
    }
    // A request every other tick, from 200 ms on; the tenth reply is still on its way.
    EXPECT_EQ(replies, 10);
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00009");
}

TEST_F(AutoRead, ALostRequestDoesNotStopAutoRead) {
    C().自动读取选择框.Click();
    Advance(3000);
    ASSERT_EQ(Sent().size(), 1u);  // the meter misses it
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_EQ(RequestMoments(6000), (std::vector<std::int64_t>{3000, 6000}));
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
    EXPECT_EQ(Lamp(), kRed);

    ClickConnect();
    EXPECT_EQ(RequestMoments(3000), std::vector<std::int64_t>{3000});
}

}  // namespace
}  // namespace tavr
