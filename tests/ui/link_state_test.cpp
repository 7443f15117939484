#include "ui/link_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "read_reply.h"

namespace tavr {
namespace {

// The link after a read request to device 1 at 0 ms and `bytes` bytes of its answer, the last
// of them at `lastByteAt`.
LinkState AfterBytes(int bytes, std::int64_t lastByteAt) {
    LinkState link;
    link.Opened();
    link.BeginRead(1, 0);
    const ByteSet reply = ReplyFrame(Registers({}));
    for (int i = 0; i < bytes; ++i) {
        link.Accept(reply[static_cast<std::size_t>(i)], lastByteAt);
    }
    return link;
}

struct MomentCase {
    const char* name;
    int bytes;
    std::int64_t now;  // the last byte came at 500 ms
    bool arriving;
    std::int64_t quietIn;
    friend void PrintTo(const MomentCase& value, std::ostream* out) { *out << value.name; }
};

class Moments : public testing::TestWithParam<MomentCase> {};

TEST_P(Moments, TellWhetherAReplyIsArrivingAndForHowLong) {
    const LinkState link = AfterBytes(GetParam().bytes, 500);
    EXPECT_EQ(link.Arriving(GetParam().now), GetParam().arriving);
    EXPECT_EQ(link.QuietIn(GetParam().now), GetParam().quietIn);
}

INSTANTIATE_TEST_SUITE_P(Replies, Moments,
                         testing::Values(MomentCase{"NoByte", 0, 500, false, 0},
                                         MomentCase{"OneByteJustNow", 1, 500, true, 100},
                                         MomentCase{"JustInsideTheGap", 40, 599, true, 1},
                                         MomentCase{"TheGapHasPassed", 40, 600, false, 0},
                                         MomentCase{"LastByteButOne", 74, 500, true, 100},
                                         MomentCase{"Complete", 75, 500, false, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(LinkState, OnlyTheIntactReplyOfTheAwaitedDeviceComesBack) {
    LinkState link;
    link.Opened();
    link.BeginRead(7, 0);
    for (const std::uint8_t byte : ReplyFrame(Registers({{0x09, 8}}), 8)) {
        EXPECT_FALSE(link.Accept(byte, 10));
    }
    std::optional<ReadReply> reply;
    for (const std::uint8_t byte : ReplyFrame(Registers({{0x09, 7}}), 7)) {
        reply = link.Accept(byte, 20);
    }
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->values[9], 7);
}

TEST(LinkState, ARequestIsLostAfterTheTimeOutWithoutAByte) {
    LinkState link;
    link.Opened();
    EXPECT_TRUE(link.MaySend(0));
    link.BeginWrite(0);
    EXPECT_EQ(link.Lamp(), LinkLamp::kWaiting);
    EXPECT_FALSE(link.MaySend(999));
    EXPECT_TRUE(link.MaySend(1000));
    link.Accept(0x01, 1000);
    EXPECT_EQ(link.Lamp(), LinkLamp::kReady);
    link.MarkWaiting();  // a read step that sent nothing: no request is outstanding
    EXPECT_FALSE(link.MaySend(5000));
}

TEST(LinkState, APausedCollectionKeepsNoBytes) {
    LinkState link;
    link.Opened();
    link.BeginRead(1, 0);
    link.PauseCollection();
    for (const std::uint8_t byte : ReplyFrame(Registers({}))) {
        EXPECT_FALSE(link.Accept(byte, 10));
        EXPECT_FALSE(link.Arriving(10));
    }
    EXPECT_EQ(link.Lamp(), LinkLamp::kReady);
}

}  // namespace
}  // namespace tavr
