#include "protocol/crc.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

namespace tavr {
namespace {

ByteSet Digits() {
    constexpr std::string_view digits = "123456789";
    return ByteSet(digits.begin(), digits.end());
}

TEST(Crc16, NineAsciiDigitsGiveTheModbusCheckValue) {
    EXPECT_EQ(Crc16(Digits()), 0x4B37);
}

TEST(AppendCrc, SealsTheFrameLowByteFirst) {
    ByteSet frame = Digits();
    AppendCrc(frame);
    ASSERT_EQ(frame.size(), 11u);
    EXPECT_EQ(frame[9], 0x37);
    EXPECT_EQ(frame[10], 0x4B);
    EXPECT_TRUE(CrcMatches(frame));
}

struct CrcCheckCase {
    const char* name;
    ByteSet frame;
    bool matches;
    friend void PrintTo(const CrcCheckCase& value, std::ostream* out) { *out << value.name; }
};

class CrcChecks : public testing::TestWithParam<CrcCheckCase> {};

TEST_P(CrcChecks, TellWhetherTheFrameEndsWithItsChecksum) {
    EXPECT_EQ(CrcMatches(GetParam().frame), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CrcChecks,
    testing::Values(
        CrcCheckCase{"ReadRequest", {0x01, 0x03, 0x00, 0x00, 0x00, 0x23, 0x04, 0x13}, true},
        CrcCheckCase{"BytesSwapped", {0x01, 0x03, 0x00, 0x00, 0x00, 0x23, 0x13, 0x04}, false},
        CrcCheckCase{"ABitFlipped", {0x01, 0x03, 0x00, 0x00, 0x01, 0x23, 0x04, 0x13}, false},
        CrcCheckCase{"ExceptionAnswer", {0x01, 0x83, 0x02, 0xC0, 0xF1}, true},
        CrcCheckCase{"OneByteAndAChecksum", {0x01, 0x7E, 0x80}, true},
        CrcCheckCase{"ChecksumOfNothing", {0xFF, 0xFF}, false}, CrcCheckCase{"Empty", {}, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
