#include "protocol/frame_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <span>

#include "protocol/read_reply.h"

namespace tavr {
namespace {

struct FrameCase {
    const char* name;
    ByteSet frame;
    ByteSet expected;
};

class WorkedFrames : public testing::TestWithParam<FrameCase> {};

TEST_P(WorkedFrames, MatchByteForByte) {
    EXPECT_EQ(GetParam().frame, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, WorkedFrames,
    testing::Values(FrameCase{"ReadDevice1",
                              BuildReadRequest(1),
                              {0x01, 0x03, 0x00, 0x00, 0x00, 0x23, 0x04, 0x13}},
                    FrameCase{"ReadDevice5",
                              BuildReadRequest(5),
                              {0x05, 0x03, 0x00, 0x00, 0x00, 0x23, 0x05, 0x97}},
                    FrameCase{"WriteCurrent1000",
                              BuildWriteRequest(1, 4, 1000),
                              {0x01, 0x06, 0x00, 0x04, 0x03, 0xE8, 0xC8, 0xB5}},
                    FrameCase{"WriteAddress5",
                              BuildWriteRequest(1, 0, 5),
                              {0x01, 0x06, 0x00, 0x00, 0x00, 0x05, 0x49, 0xC9}},
                    FrameCase{"ReplyOfOneRegister",
                              BuildReadReply(1, std::array<std::uint16_t, 1>{0x0001}),
                              {0x01, 0x03, 0x02, 0x00, 0x01, 0x79, 0x84}}),
    [](const auto& info) { return info.param.name; });

TEST(BuildWriteRequest, PutsTheValueHighByteFirst) {
    EXPECT_EQ(BuildWriteRequest(1, 0, 65535)[4], 0xFF);
    EXPECT_EQ(BuildWriteRequest(1, 0, 65535)[5], 0xFF);
    EXPECT_EQ(BuildWriteRequest(1, 0, 0)[4], 0x00);
    EXPECT_EQ(BuildWriteRequest(1, 0, 0)[5], 0x00);
    EXPECT_EQ(BuildWriteRequest(1, 0, 256)[4], 0x01);
    EXPECT_EQ(BuildWriteRequest(1, 0, 256)[5], 0x00);
}

TEST(BuildWriteRequest, LastRowAddressesRegister0022) {
    const ByteSet frame = BuildWriteRequest(1, 34, 7);
    EXPECT_EQ(frame[2], 0x00);
    EXPECT_EQ(frame[3], 0x22);
}

TEST(BuildRequests, UseOnlyTheLowByteOfTheDeviceId) {
    EXPECT_EQ(BuildReadRequest(0)[0], 0x00);
    EXPECT_EQ(BuildWriteRequest(0, 3, 1)[0], 0x00);
    EXPECT_EQ(BuildReadRequest(0x101), BuildReadRequest(1));
}

TEST(RegisterValue, ReadsHighByteThenLowByte) {
    ByteSet reply(kReadReplyLength, 0);
    reply[3] = 0x12;
    reply[4] = 0x34;
    reply[71] = 0xFF;
    reply[72] = 0xFE;
    EXPECT_EQ(RegisterValue(reply, 0), 0x1234);
    EXPECT_EQ(RegisterValue(reply, 34), 0xFFFE);
}

std::array<std::uint16_t, kRegisterCount> CountingValues() {
    std::array<std::uint16_t, kRegisterCount> values{};
    for (int k = 0; k < kRegisterCount; ++k) {
        values[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(0x0101 * k + 0xF000);
    }
    return values;
}

TEST(ReadReply, ParsesWhatWasBuilt) {
    const ByteSet bytes = BuildReadReply(7, CountingValues());
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_EQ(bytes[2], 70);
    EXPECT_EQ(bytes[3], 0xF0);  // register 0000H, high byte first
    const ReadReply reply = ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(bytes));
    EXPECT_EQ(reply.slaveAddress, 7);
    EXPECT_EQ(reply.function, kReadFunction);
    EXPECT_EQ(reply.byteCount, 70);
    EXPECT_EQ(reply.values, CountingValues());
    EXPECT_TRUE(reply.crcMatches);
}

struct ReplyCheckCase {
    const char* name;
    std::size_t offset;  // the byte changed
    std::uint8_t value;
    bool resealed;       // the checksum made to fit the change
    std::uint8_t asked;  // the device the request went to
    bool intact;
};

class ReplyChecks : public testing::TestWithParam<ReplyCheckCase> {};

TEST_P(ReplyChecks, TellTheIntactReplyOfTheDeviceAsked) {
    const ReplyCheckCase& check = GetParam();
    ByteSet bytes = BuildReadReply(5, CountingValues());
    bytes[check.offset] = check.value;
    if (check.resealed) {
        bytes.resize(kReadReplyLength - 2);
        AppendCrc(bytes);
    }
    const ReadReply reply = ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(bytes));
    EXPECT_EQ(reply.IsIntactReplyFrom(check.asked), check.intact);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyChecks,
    testing::Values(ReplyCheckCase{"AsSent", 0, 5, false, 5, true},
                    ReplyCheckCase{"FromAnotherDevice", 0, 5, false, 6, false},
                    ReplyCheckCase{"AnotherAddressResealed", 0, 6, true, 5, false},
                    ReplyCheckCase{"ExceptionFunction", 1, 0x83, true, 5, false},
                    ReplyCheckCase{"WriteFunction", 1, kWriteFunction, true, 5, false},
                    ReplyCheckCase{"ByteCountOfOneRegisterLess", 2, 68, true, 5, false},
                    ReplyCheckCase{"AValueChangedOnTheLine", 40, 0x00, false, 5, false},
                    ReplyCheckCase{"ChecksumLowByteWrong", 73, 0x00, false, 5, false},
                    ReplyCheckCase{"ChecksumHighByteWrong", 74, 0x00, false, 5, false},
                    ReplyCheckCase{"BroadcastAddressAsked", 0, 0, true, 0, true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
