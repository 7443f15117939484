#include "runtime/to_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tavr {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct IntegerTextCase {
    std::string text;
    std::int32_t expected;
};

TEST(ToIntegerTest, ReadsTheLeadingWholeNumberOfAText) {
    const IntegerTextCase cases[] = {IntegerTextCase{"123", 123},
                                     IntegerTextCase{" 42abc", 42},
                                     IntegerTextCase{"12.7", 12},
                                     IntegerTextCase{"abc", 0},
                                     IntegerTextCase{"", 0},
                                     IntegerTextCase{"-17", -17},
                                     IntegerTextCase{"+8", 8},
                                     IntegerTextCase{"\t\n\v\f\r 5", 5},
                                     IntegerTextCase{"- 5", 0},
                                     IntegerTextCase{"--5", 0},
                                     IntegerTextCase{"0x1F", 0},
                                     IntegerTextCase{"１２３", 123},
                                     IntegerTextCase{"－１２", -12},
                                     IntegerTextCase{"　７", 7},
                                     IntegerTextCase{"１２．９", 12},
                                     IntegerTextCase{"2147483647", kMax},
                                     IntegerTextCase{"2147483648", kMax},
                                     IntegerTextCase{"4294967301", kMax},
                                     IntegerTextCase{"-2147483648", kMin},
                                     IntegerTextCase{"-2147483649", kMin},
                                     IntegerTextCase{"99999999999999999999999999", kMax},
                                     IntegerTextCase{"-99999999999999999999999999", kMin},
                                     IntegerTextCase{"000000000000000000000000012", 12}};
    for (const IntegerTextCase& c : cases) {
        EXPECT_EQ(ToInteger(c.text), c.expected) << c.text;
    }
}

struct NumberTextCase {
    std::string text;
    double expected;
};

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(ToNumberTest, ReadsTheLeadingDecimalNumberOfAText) {
    const NumberTextCase cases[] = {NumberTextCase{"12.5", 12.5},
                                    NumberTextCase{"１２．５", 12.5},
                                    NumberTextCase{" -3.25e2x", -325.0},
                                    NumberTextCase{"+0.5", 0.5},
                                    NumberTextCase{"2E-3", 0.002},
                                    NumberTextCase{"１ｅ３", 1000.0},
                                    NumberTextCase{"1e", 1.0},
                                    NumberTextCase{"1e+", 1.0},
                                    NumberTextCase{".5", 0.5},
                                    NumberTextCase{"5.", 5.0},
                                    NumberTextCase{"1.2.3", 1.2},
                                    NumberTextCase{"1,5", 1.0},
                                    NumberTextCase{".", 0.0},
                                    NumberTextCase{"-", 0.0},
                                    NumberTextCase{"", 0.0},
                                    NumberTextCase{"abc", 0.0},
                                    NumberTextCase{"inf", 0.0},
                                    NumberTextCase{"nan", 0.0},
                                    NumberTextCase{"0x1A", 0.0},
                                    NumberTextCase{"1e400", kInfinity},
                                    NumberTextCase{"-1e400", -kInfinity},
                                    NumberTextCase{"1e-400", 0.0},
                                    NumberTextCase{"0.0000001e-400", 0.0},
                                    NumberTextCase{"1e99999999999999999999", kInfinity},
                                    NumberTextCase{"4294967301", 4294967301.0}};
    for (const NumberTextCase& c : cases) {
        EXPECT_EQ(ToNumber(c.text), c.expected) << c.text;
    }
}

TEST(ToIntegerTest, ConvertsEveryValueType) {
    struct Case {
        Value value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {std::uint8_t{200}, 200},
        {std::int16_t{-5}, -5},
        {std::int32_t{-70000}, -70000},
        {std::int64_t{(std::int64_t{1} << 40) + 7}, 7},
        {std::int64_t{0xFFFFFFFF}, -1},
        {2.9f, 2},
        {-2.9, -2},
        {3e9, kMax},
        {-3e9, kMin},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {kInfinity, kMax},
        {Boolean{1}, 1},
        {Boolean{-1}, -1},
        {Text{"１２３"}, 123},
        {DateTime{45000.5}, 0},
        {ByteSet{'1', '2'}, 0},
        {std::monostate{}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToInteger(c.value), c.expected) << "type index " << c.value.index();
    }
}

TEST(ToNumberTest, ConvertsEveryValueType) {
    struct Case {
        Value value;
        double expected;
    };
    const Case cases[] = {
        {std::uint8_t{255}, 255.0},
        {std::int16_t{-32768}, -32768.0},
        {std::int32_t{-70000}, -70000.0},
        {std::int64_t{(std::int64_t{1} << 53) + 1}, 9007199254740992.0},
        {0.1f, static_cast<double>(0.1f)},
        {-2.9, -2.9},
        {Boolean{-1}, -1.0},
        {Text{" 2.5s"}, 2.5},
        {DateTime{45000.5}, 0.0},
        {TextArray{"1"}, 0.0},
        {std::monostate{}, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToNumber(c.value), c.expected) << "type index " << c.value.index();
    }
}

TEST(ToIntegerTest, TextOverloadsAcceptEveryFormOfText) {
    const std::string text = "42";
    const char* absent = nullptr;
    EXPECT_EQ(ToInteger("42"), 42);
    EXPECT_EQ(ToInteger(text), 42);
    EXPECT_EQ(ToInteger(std::string_view(text)), 42);
    EXPECT_EQ(ToInteger(absent), 0);
    EXPECT_EQ(ToNumber("2.5"), 2.5);
    EXPECT_EQ(ToNumber(std::string("2.5")), 2.5);
    EXPECT_EQ(ToNumber(absent), 0.0);
    EXPECT_EQ(ToInteger(7.9), 7);
    EXPECT_EQ(ToNumber(std::uint8_t{200}), 200.0);
}

}  // namespace
}  // namespace tavr
