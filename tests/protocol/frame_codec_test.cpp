#include "protocol/frame_codec.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tavr {
namespace {

TEST(Crc16, NineAsciiDigitsGiveTheModbusCheckValue) {
    constexpr std::string_view digits = "123456789";
    const ByteSet bytes(digits.begin(), digits.end());
    EXPECT_EQ(Crc16(bytes), 0x4B37);
}

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
                              {0x01, 0x06, 0x00, 0x00, 0x00, 0x05, 0x49, 0xC9}}),
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
    ByteSet reply(ReadReplyLength, 0);
    reply[3] = 0x12;
    reply[4] = 0x34;
    reply[71] = 0xFF;
    reply[72] = 0xFE;
    EXPECT_EQ(RegisterValue(reply, 0), 0x1234);
    EXPECT_EQ(RegisterValue(reply, 34), 0xFFFE);
}

}  // namespace
}  // namespace tavr
