#include "serial/value_bytes.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

TEST(ValueBytesTest, NumbersSendTheirLittleEndianBytes) {
    const struct {
        Value value;
        ByteSet bytes;
    } cases[] = {
        {std::uint8_t{0xAB}, {0xAB}},
        {std::int16_t{-2}, {0xFE, 0xFF}},
        {std::int32_t{0x01020304}, {0x04, 0x03, 0x02, 0x01}},
        {std::int64_t{0x0102030405060708}, {8, 7, 6, 5, 4, 3, 2, 1}},
        {1.0f, {0x00, 0x00, 0x80, 0x3F}},
        {1.0, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {Boolean{1}, {1, 0, 0, 0}},
        {DateTime{2.0}, {0, 0, 0, 0, 0, 0, 0, 0x40}},
        {Text("A\r\n"), {'A', '\r', '\n'}},
        {Text(), {}},
        {ByteSet{0x01, 0x03, 0x00}, {0x01, 0x03, 0x00}},
    };
    for (const auto& c : cases) {
        const std::optional<ByteSet> bytes = BytesOfValue(c.value);
        ASSERT_TRUE(bytes.has_value()) << "type index " << c.value.index();
        EXPECT_EQ(*bytes, c.bytes) << "type index " << c.value.index();
    }
}

TEST(ValueBytesTest, ArraysAndUnknownTypesSendNothing) {
    for (const Value& value : {Value(TextArray{"a"}), Value(Int32Array{1}), Value()}) {
        EXPECT_FALSE(BytesOfValue(value).has_value()) << "type index " << value.index();
    }
}

}  // namespace
}  // namespace tavr
