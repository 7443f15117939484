#include "meter_simulator/request_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "protocol/frame_codec.h"

namespace tavr::simulator {
namespace {

ByteSet Sealed(std::initializer_list<std::uint8_t> body) {
    ByteSet frame(body);
    AppendCrc(frame);
    return frame;
}

bool CrcHolds(const ByteSet& frame) {
    if (frame.size() < 4) {
        return false;
    }
    return CrcMatches(frame);
}

ByteSet ReadRequest(std::uint8_t slave, int start, int count) {
    return Sealed({slave, 0x03, static_cast<std::uint8_t>(start >> 8),
                   static_cast<std::uint8_t>(start & 0xFF), static_cast<std::uint8_t>(count >> 8),
                   static_cast<std::uint8_t>(count & 0xFF)});
}

ByteSet Damaged(ByteSet frame) {
    frame.back() ^= 0x01;
    return frame;
}

ByteSet Joined(std::initializer_list<ByteSet> parts) {
    ByteSet joined;
    for (const ByteSet& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

class RequestHandlerTest : public ::testing::Test {
  protected:
    // The one exchange that `request` yields; fails the test when there is not exactly one.
    Exchange Only(const ByteSet& request) {
        std::vector<Exchange> exchanges = handler_.Receive(request);
        EXPECT_EQ(exchanges.size(), 1u);
        return exchanges.empty() ? Exchange{Verdict::Discarded, {}, std::nullopt} : exchanges[0];
    }

    ByteSet AnswerTo(const ByteSet& request) {
        const Exchange exchange = Only(request);
        EXPECT_EQ(exchange.verdict, Verdict::Answered);
        return exchange.answer ? exchange.answer->bytes : ByteSet{};
    }

    RegisterBank bank_{1};
    RequestHandler handler_{bank_, 1};
};

TEST_F(RequestHandlerTest, ReadOfAllRegistersAnswersWithTheWholeBank) {
    const ByteSet answer = AnswerTo(BuildReadRequest(1));

    ASSERT_EQ(answer.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_EQ(answer[0], 1);
    EXPECT_EQ(answer[1], kReadFunction);
    EXPECT_EQ(answer[2], 70);
    EXPECT_TRUE(CrcHolds(answer));
    for (int k = 0; k < kRegisterCount; ++k) {
        EXPECT_EQ(RegisterValue(answer, k), bank_.Get(k)) << "register " << k;
    }
    EXPECT_EQ(RegisterValue(answer, 0), 1);
}

TEST_F(RequestHandlerTest, ReadOfAnyRangeInsideTheBankAnswersThatRange) {
    const struct {
        int start;
        int count;
    } ranges[] = {{0x00, 1}, {0x22, 1}, {0x03, 2}, {0x10, 0x13}, {0x05, 30}};
    for (const auto& range : ranges) {
        const ByteSet answer = AnswerTo(ReadRequest(1, range.start, range.count));

        ASSERT_EQ(answer.size(), static_cast<std::size_t>(5 + 2 * range.count)) << range.start;
        EXPECT_EQ(answer[2], 2 * range.count);
        EXPECT_TRUE(CrcHolds(answer));
        for (int k = 0; k < range.count; ++k) {
            EXPECT_EQ(answer[3 + 2 * k] * 256 + answer[4 + 2 * k], bank_.Get(range.start + k));
        }
    }
}

TEST_F(RequestHandlerTest, WriteIsStoredAndEchoed) {
    const ByteSet request{0x01, 0x06, 0x00, 0x04, 0x03, 0xE8, 0xC8, 0xB5};

    EXPECT_EQ(AnswerTo(request), request);
    EXPECT_EQ(bank_.Get(0x0004), 1000);
}

TEST_F(RequestHandlerTest, WritingTheDeviceAddressMovesTheMeterToTheNewAddress) {
    const ByteSet request{0x01, 0x06, 0x00, 0x00, 0x00, 0x05, 0x49, 0xC9};

    EXPECT_EQ(AnswerTo(request), request);
    EXPECT_EQ(Only(BuildReadRequest(1)).verdict, Verdict::OtherAddress);
    const ByteSet answer = AnswerTo(BuildReadRequest(5));
    ASSERT_EQ(answer.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_EQ(answer[0], 5);
    EXPECT_EQ(RegisterValue(answer, 0), 5);
}

TEST_F(RequestHandlerTest, RefusedRequestsGetAnExceptionAnswerAndChangeNothing) {
    const struct {
        const char* what;
        ByteSet request;
        std::uint8_t function;
        std::uint8_t code;
    } cases[] = {
        {"read of no register", ReadRequest(1, 0, 0), 0x83, 0x03},
        {"read of 126 registers", ReadRequest(1, 0, 126), 0x83, 0x03},
        {"read past the last register", ReadRequest(1, 0x22, 2), 0x83, 0x02},
        {"read behind the bank", ReadRequest(1, 0x23, 1), 0x83, 0x02},
        {"read at the top of the address space", ReadRequest(1, 0xFFFF, 1), 0x83, 0x02},
        {"write behind the bank", BuildWriteRequest(1, 0x23, 1), 0x86, 0x02},
        {"write beyond the maximum", BuildWriteRequest(1, 0x1B, 6), 0x86, 0x03},
        {"device address beyond 50", BuildWriteRequest(1, 0x00, 51), 0x86, 0x03},
        {"device address 0", BuildWriteRequest(1, 0x00, 0), 0x86, 0x03},
        {"read input registers", Sealed({1, 0x04, 0, 0, 0, 1}), 0x84, 0x01},
        {"write multiple registers", Sealed({1, 0x10, 0, 9, 0, 1, 2, 0, 5}), 0x90, 0x01},
    };
    const RegisterBank before = bank_;
    for (const auto& c : cases) {
        const ByteSet answer = AnswerTo(c.request);

        ASSERT_EQ(answer.size(), 5u) << c.what;
        EXPECT_EQ(answer[0], 1) << c.what;
        EXPECT_EQ(answer[1], c.function) << c.what;
        EXPECT_EQ(answer[2], c.code) << c.what;
        EXPECT_TRUE(CrcHolds(answer)) << c.what;
    }
    for (int k = 0; k < kRegisterCount; ++k) {
        EXPECT_EQ(bank_.Get(k), before.Get(k)) << "register " << k;
    }
}

TEST_F(RequestHandlerTest, FramesNotForThisMeterAreNotAnswered) {
    const struct {
        const char* what;
        ByteSet request;
        Verdict verdict;
    } cases[] = {
        {"read with a wrong checksum", Damaged(BuildReadRequest(1)), Verdict::Discarded},
        {"write with a wrong checksum", Damaged(BuildWriteRequest(1, 9, 500)), Verdict::Discarded},
        {"read for another slave", BuildReadRequest(2), Verdict::OtherAddress},
        {"write for another slave", BuildWriteRequest(2, 9, 500), Verdict::OtherAddress},
        {"broadcast read", BuildReadRequest(0), Verdict::Broadcast},
    };
    for (const auto& c : cases) {
        std::vector<Exchange> exchanges = handler_.Receive(c.request);
        for (Exchange& exchange : handler_.Silence()) {
            exchanges.push_back(std::move(exchange));
        }

        EXPECT_FALSE(exchanges.empty()) << c.what;
        for (const Exchange& exchange : exchanges) {
            EXPECT_EQ(exchange.verdict, c.verdict) << c.what;
            EXPECT_FALSE(exchange.answer) << c.what;
        }
    }
    EXPECT_EQ(bank_.Get(9), 1000);
}

TEST_F(RequestHandlerTest, BroadcastWriteIsCarriedOutWithoutAnAnswer) {
    const Exchange exchange = Only(BuildWriteRequest(0, 0x09, 500));

    EXPECT_EQ(exchange.verdict, Verdict::Broadcast);
    EXPECT_FALSE(exchange.answer);
    EXPECT_EQ(bank_.Get(0x09), 500);
}

TEST_F(RequestHandlerTest, StreamIsCutIntoFramesAndResynchronised) {
    const ByteSet read = BuildReadRequest(1);
    const ByteSet write = BuildWriteRequest(1, 0x0C, 140);
    const ByteSet noise{0xFF, 0x00, 0x13};
    const struct {
        const char* what;
        std::vector<ByteSet> chunks;  // each received at once
        bool silenceAfter;
        std::vector<Verdict> verdicts;
    } cases[] = {
        {"two requests in one chunk",
         {Joined({read, write})},
         false,
         {Verdict::Answered, Verdict::Answered}},
        {"noise before a request",
         {Joined({noise, read})},
         false,
         {Verdict::Discarded, Verdict::Answered}},
        {"a damaged request right before a good one",
         {Joined({Damaged(write), read})},
         false,
         {Verdict::Discarded, Verdict::Answered}},
        {"a request in three pieces",
         {ByteSet(read.begin(), read.begin() + 1), ByteSet(read.begin() + 1, read.begin() + 5),
          ByteSet(read.begin() + 5, read.end())},
         false,
         {Verdict::Answered}},
        {"a request cut short by a silence",
         {ByteSet(read.begin(), read.begin() + 6)},
         true,
         {Verdict::Discarded}},
        {"noise alone", {noise, noise}, true, {Verdict::Discarded}},
        {"a request of unknown length ends at the silence",
         {Sealed({1, 0x2B, 0x0E, 1, 0})},
         true,
         {Verdict::Answered}},
    };
    for (const auto& c : cases) {
        RegisterBank bank(1);
        RequestHandler handler(bank, 1);
        std::vector<Verdict> verdicts;
        for (const ByteSet& chunk : c.chunks) {
            for (const Exchange& exchange : handler.Receive(chunk)) {
                verdicts.push_back(exchange.verdict);
            }
        }
        if (c.silenceAfter) {
            for (const Exchange& exchange : handler.Silence()) {
                verdicts.push_back(exchange.verdict);
            }
        }

        EXPECT_EQ(verdicts, c.verdicts) << c.what;
        EXPECT_FALSE(handler.HoldsPartialFrame()) << c.what;
        // Whatever came before, the next request is understood.
        EXPECT_EQ(handler.Receive(read).size(), 1u) << c.what;
    }
}

TEST_F(RequestHandlerTest, ReceivedBytesAreAccountedForExactlyOnce) {
    const ByteSet stream = Joined({{0x01, 0x03},
                                   BuildReadRequest(1),
                                   {0x42},
                                   Damaged(BuildReadRequest(1)),
                                   BuildWriteRequest(1, 3, 7)});
    ByteSet accounted;
    std::vector<Exchange> exchanges;
    for (std::uint8_t byte : stream) {
        for (Exchange& exchange : handler_.Receive(ByteSet{byte})) {
            exchanges.push_back(std::move(exchange));
        }
    }
    for (Exchange& exchange : handler_.Silence()) {
        exchanges.push_back(std::move(exchange));
    }
    for (const Exchange& exchange : exchanges) {
        accounted.insert(accounted.end(), exchange.received.begin(), exchange.received.end());
    }

    EXPECT_EQ(accounted, stream);
    EXPECT_EQ(std::count_if(exchanges.begin(), exchanges.end(),
                            [](const Exchange& exchange) { return exchange.answer.has_value(); }),
              2);
}

TEST_F(RequestHandlerTest, UnknownFunctionOfUnknownLengthIsRefusedAtTheSilence) {
    EXPECT_TRUE(handler_.Receive(Sealed({1, 0x2B, 0x0E, 1, 0})).empty());
    const std::vector<Exchange> exchanges = handler_.Silence();

    ASSERT_EQ(exchanges.size(), 1u);
    ASSERT_TRUE(exchanges[0].answer);
    EXPECT_EQ(exchanges[0].answer->bytes, Sealed({1, 0xAB, 0x01}));
}

TEST_F(RequestHandlerTest, FaultsSpoilTheAnswer) {
    using namespace std::chrono_literals;
    const ByteSet proper = AnswerTo(BuildReadRequest(1));
    const ByteSet head74(proper.begin(), proper.end() - 1);
    const ByteSet head10(proper.begin(), proper.begin() + 10);
    const struct {
        Fault fault;
        std::optional<ByteSet> bytes;  // nullopt: checked below
        std::chrono::milliseconds delay;
        std::optional<std::chrono::milliseconds> hangUpPause;
    } cases[] = {
        {{FaultKind::None, 0}, proper, 0ms, std::nullopt},
        {{FaultKind::Short, 0}, head74, 0ms, std::nullopt},
        {{FaultKind::Short, 10}, head10, 0ms, std::nullopt},
        {{FaultKind::Short, 500}, head74, 0ms, std::nullopt},
        {{FaultKind::Delay, 500}, proper, 500ms, std::nullopt},
        {{FaultKind::HangUp, 250}, ByteSet{}, 0ms, 250ms},
        {{FaultKind::BadCrc, 0}, std::nullopt, 0ms, std::nullopt},
    };
    for (const auto& c : cases) {
        handler_.SetFault(c.fault);
        const Exchange exchange = Only(BuildReadRequest(1));

        ASSERT_TRUE(exchange.answer) << DescribeFault(c.fault);
        if (c.bytes) {
            EXPECT_EQ(exchange.answer->bytes, *c.bytes) << DescribeFault(c.fault);
        }
        EXPECT_EQ(exchange.answer->delay, c.delay) << DescribeFault(c.fault);
        EXPECT_EQ(exchange.answer->hangUpPause, c.hangUpPause) << DescribeFault(c.fault);
    }
    const ByteSet spoilt = handler_.Receive(BuildReadRequest(1))[0].answer->bytes;
    ASSERT_EQ(spoilt.size(), proper.size());
    EXPECT_TRUE(std::equal(proper.begin(), proper.end() - 2, spoilt.begin()));
    EXPECT_FALSE(CrcHolds(spoilt));
}

TEST_F(RequestHandlerTest, FaultsOtherThanSilenceStillCarryOutTheRequest) {
    handler_.SetFault({FaultKind::Short, 0});
    EXPECT_EQ(AnswerTo(BuildWriteRequest(1, 0x0C, 140)).size(), 7u);
    EXPECT_EQ(bank_.Get(0x0C), 140);

    handler_.SetFault({FaultKind::Silent, 0});
    for (std::uint8_t slave : {1, 0}) {
        const Exchange exchange = Only(BuildWriteRequest(slave, 0x0C, 150));
        EXPECT_EQ(exchange.verdict, Verdict::Unheard);
        EXPECT_FALSE(exchange.answer);
    }
    EXPECT_EQ(bank_.Get(0x0C), 140);
}

TEST_F(RequestHandlerTest, GarbageIsRepeatableForTheSameSeed) {
    const auto garbage = [](std::uint64_t seed) {
        RegisterBank bank(1);
        RequestHandler handler(bank, seed);
        handler.SetFault({FaultKind::Garbage, 100000});
        return handler.Receive(BuildReadRequest(1))[0].answer->bytes;
    };
    const ByteSet first = garbage(7);

    EXPECT_EQ(first.size(), 100000u);
    EXPECT_EQ(garbage(7), first);
    EXPECT_NE(garbage(8), first);
}

}  // namespace
}  // namespace tavr::simulator
