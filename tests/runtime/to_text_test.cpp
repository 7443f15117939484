#include "runtime/to_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "runtime/date_time_text.h"
#include "runtime/text_length.h"

namespace tavr {
namespace {

template <typename T>
concept Printable = requires(T value) {
    ToText(value);
};

// A C++ bool must not turn into a number or a text by accident.
static_assert(!Printable<bool>);
static_assert(Printable<float> && Printable<std::uint16_t> && Printable<const char*>);

TEST(ToTextTest, ConvertsEveryValueType) {
    struct Case {
        Value value;
        std::string expected;
    };
    const Case cases[] = {
        {std::uint8_t{255}, "255"},
        {std::int16_t{-32768}, "-32768"},
        {std::int32_t{-5}, "-5"},
        {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
        {0.1f, "0.1"},
        {4096.5, "4096.5"},
        {4.0, "4"},
        {Boolean{1}, "真"},
        {Boolean{-7}, "真"},
        {Boolean{0}, "假"},
        {DateTime{45000.5}, "2023年3月15日12时"},
        {Text{"电压"}, "电压"},
        {ByteSet{'A', 'B', 0, 'C'}, "AB"},
        {ByteSet{'A', 'B'}, "AB"},
        {ByteSet{}, ""},
        {Int32Array{0x44434241, 0x45}, "ABCDE"},
        {Int32Array{0x4241, 0x43}, "AB"},
        {TextArray{"a", "b"}, ""},
        {std::monostate{}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToText(c.value), c.expected) << "type index " << c.value.index();
    }
}

TEST(ToTextTest, PlainArgumentsKeepTheirTypesFormatting) {
    const char* absent = nullptr;
    EXPECT_EQ(ToText(-5), "-5");
    EXPECT_EQ(ToText(std::uint16_t{65535}), "65535");
    EXPECT_EQ(ToText(std::uint8_t{200}), "200");
    EXPECT_EQ(ToText(std::int64_t{1} << 40), "1099511627776");
    EXPECT_EQ(ToText(0.1f), "0.1");
    EXPECT_EQ(ToText(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(ToText("文本"), "文本");
    EXPECT_EQ(ToText(absent), "");
}

TEST(ToTextTest, DateTimesShowTheirParts) {
    struct Case {
        double days;
        std::string expected;
    };
    const double second = 1.0 / 86400.0;
    const Case cases[] = {
        {0.0, "1899年12月30日"},
        {45000.0 + (13 * 3600 + 5 * 60) * second, "2023年3月15日13时5分"},
        {45000.0 + (13 * 3600 + 5 * 60 + 7) * second, "2023年3月15日13时5分7秒"},
        {45000.0 + 7 * second, "2023年3月15日0时0分7秒"},
        {45000.0 + 7.4 * second, "2023年3月15日0时0分7秒"},
        {45000.0 + 7.6 * second, "2023年3月15日0时0分8秒"},
        {-1.25, "1899年12月29日6时"},
        {-0.5, "1899年12月30日12时"},
        {1.5, "1899年12月31日12时"},
        {60.0, "1900年2月28日"},
        {61.0, "1900年3月1日"},
        {36585.0, "2000年2月29日"},
        // Nearly a whole day rounds into the next calendar day, for negative days too.
        {2.9999999999, "1900年1月2日"},
        {-1.9999999999, "1899年12月30日"},
        {-657434.0, "100年1月1日"},
        {2958465.5, "9999年12月31日12时"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToText(DateTime{c.days}), c.expected) << c.days;
    }
}

TEST(ToTextTest, DateTimesOutsideTheCalendarGiveEmptyText) {
    for (const double days :
         {-657435.0, 2958465.999999999, 1e300, -1e300, std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(DateTimeToText(DateTime{days}), "") << days;
    }
}

TEST(ToHexTextTest, ShowsUnsignedUpperCaseDigitsWithoutPadding) {
    struct Case {
        std::int32_t value;
        std::string expected;
    };
    const Case cases[] = {
        {255, "FF"},
        {0, "0"},
        {10, "A"},
        {-1, "FFFFFFFF"},
        {0x1234ABCD, "1234ABCD"},
        {std::numeric_limits<std::int32_t>::min(), "80000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToHexText(c.value), c.expected);
    }
}

TEST(TextLengthTest, CountsBytes) {
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("FF"), 2);
    EXPECT_EQ(TextLength("电压"), 6);
}

}  // namespace
}  // namespace tavr
