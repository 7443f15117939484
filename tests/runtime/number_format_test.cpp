#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "runtime/format_number.h"
#include "runtime/number_text.h"

namespace tavr {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(DoubleToTextTest, ShowsThirteenSignificantDigitsAndWideExponents) {
    struct Case {
        double value;
        std::string expected;
    };
    const Case cases[] = {
        {4.0, "4"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.3333333333333"},
        {4096.5, "4096.5"},
        {-0.25, "-0.25"},
        {1e-5, "1e-005"},
        {1.5e20, "1.5e+020"},
        {-2.5e-7, "-2.5e-007"},
        {1e100, "1e+100"},
        {1e-300, "1e-300"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {0.00001234, "1.234e-005"},
        {123456789012.0, "123456789012"},
        {1234567890123.0, "1234567890123"},
        {12345678901234.0, "1.234567890123e+013"},
        {9999999999999.5, "1e+013"},
        {65.535, "65.535"},
        {-0.0, "0"},
        {kInfinity, "inf"},
        {-kInfinity, "-inf"},
        {kNaN, "nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DoubleToText(c.value), c.expected);
    }
}

TEST(FloatToTextTest, ShowsSixSignificantDigits) {
    EXPECT_EQ(FloatToText(0.1f), "0.1");
    EXPECT_EQ(FloatToText(3.14159265f), "3.14159");
    EXPECT_EQ(FloatToText(1234567.0f), "1.23457e+006");
    EXPECT_EQ(FloatToText(-100.0f), "-100");
}

TEST(RoundDecimalTest, RoundsHalfAwayFromZero) {
    struct Case {
        double value;
        std::int32_t decimals;
        double expected;
    };
    const Case cases[] = {
        {2.675, 2, 2.68},   {1.005, 2, 1.01},     {-2.675, 2, -2.68},   {2.5, 0, 3.0},
        {-2.5, 0, -3.0},    {0.5, 0, 1.0},        {1.4999, 0, 1.0},     {2.4, 0, 2.0},
        {12.344, 2, 12.34}, {1234.5, -2, 1200.0}, {1250.0, -2, 1300.0}, {-1250.0, -2, -1300.0},
        {49.0, -2, 0.0},    {0.0, 2, 0.0},        {65.535, 3, 65.535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundDecimal(c.value, c.decimals), c.expected) << c.value << " at " << c.decimals;
    }
}

TEST(RoundDecimalTest, PositionsBeyondADoublesRangeGiveSoundResults) {
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(RoundDecimal(1e300, 400), 1e300);
    EXPECT_EQ(RoundDecimal(1.5, max), 1.5);
    EXPECT_EQ(RoundDecimal(5.0, -400), 0.0);
    EXPECT_EQ(RoundDecimal(5.0, min), 0.0);
    EXPECT_EQ(RoundDecimal(kInfinity, 2), kInfinity);
    EXPECT_EQ(RoundDecimal(-kInfinity, -2), -kInfinity);
    EXPECT_TRUE(std::isnan(RoundDecimal(kNaN, 2)));
}

struct FormatCase {
    double value;
    std::optional<std::int32_t> decimals;
    std::optional<bool> thousands;
    std::string expected;
};

TEST(FormatNumberTest, RoundsFillsAndGroups) {
    const FormatCase cases[] = {
        FormatCase{65.535, 3, std::nullopt, "65.535"}, FormatCase{12.5, 2, std::nullopt, "12.50"},
        FormatCase{3.0, 3, std::nullopt, "3.000"}, FormatCase{2.5, 0, std::nullopt, "3"},
        // Left out is not the same as 0 decimals.
        FormatCase{2.5, std::nullopt, std::nullopt, "2.5"},
        FormatCase{12345.678, 2, true, "12,345.68"}, FormatCase{0.0, 2, std::nullopt, "0.00"},
        FormatCase{100.0, 1, std::nullopt, "100.0"}, FormatCase{2.675, 2, std::nullopt, "2.68"},
        FormatCase{-0.001, 2, std::nullopt, "0.00"}, FormatCase{-6.5535, 3, std::nullopt, "-6.554"},
        FormatCase{1.23456, 2, false, "1.23"},
        FormatCase{0.1234567, std::nullopt, std::nullopt, "0.1234567"},
        FormatCase{1234.5, -2, std::nullopt, "1200"},
        FormatCase{1234567.891, std::nullopt, true, "1,234,567.891"},
        FormatCase{-1234.5, 1, true, "-1,234.5"}, FormatCase{123.0, std::nullopt, true, "123"},
        FormatCase{-123.0, std::nullopt, true, "-123"}, FormatCase{123456.0, 0, true, "123,456"},
        FormatCase{12345.0, std::nullopt, false, "12345"},
        // Exponent notation is neither filled nor grouped.
        FormatCase{1e20, 2, std::nullopt, "1e+020"}, FormatCase{1.5e20, 8, true, "1.5e+020"},
        FormatCase{kNaN, 2, true, "nan"}};
    for (const FormatCase& c : cases) {
        EXPECT_EQ(FormatNumber(c.value, c.decimals, c.thousands), c.expected) << c.expected;
    }
}

TEST(FormatNumberTest, AnAbsurdDecimalCountStaysSmall) {
    const Text text = FormatNumber(5.0, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(text.substr(0, 5), "5.000");
    EXPECT_LT(text.size(), 1000U);
}

}  // namespace
}  // namespace tavr
