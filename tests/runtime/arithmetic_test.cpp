#include "runtime/arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/bitwise.h"

namespace tavr {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(RemainderTest, KeepsTheSignOfTheDividendThroughEveryDivisor) {
    struct Case {
        double value;
        std::vector<double> divisors;
        double expected;
    };
    const Case cases[] = {
        {300.0, {256.0}, 44.0}, {-300.0, {256.0}, -44.0},      {5.5, {2.0}, 1.5},
        {-7.5, {-2.0}, -1.5},   {1000.0, {256.0, 16.0}, 8.0},  {7.0, {}, 7.0},
        {59.0, {60.0}, 59.0},   {3725.0, {3600.0, 60.0}, 5.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Remainder(c.value, c.divisors), c.expected) << c.value;
    }
}

TEST(RemainderTest, TakesFurtherDivisorsAsArguments) {
    EXPECT_EQ(Remainder(7.0), 7.0);
    EXPECT_EQ(Remainder(0x1234, 256), 0x34);
    EXPECT_EQ(Remainder(1000, 256, 16), 8.0);
}

TEST(IntegerPartTest, RoundsTowardMinusInfinityExceptNearlyWholeNumbers) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {255.99999999999997, 256}, {255.9, 255},           {-0.5, -1}, {-2.5, -3}, {2.9999999, 2},
        {2.9999999999995, 3},      {-2.9999999999995, -3}, {0.0, 0},   {-0.0, 0},  {65535.0, 65535},
        {4660.0 / 256.0, 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntegerPart(c.value), c.expected) << c.value;
    }
}

TEST(IntegerPartTest, SaturatesOutsideTheInt32Range) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {3e9, kMax},           {-3e9, kMin},          {2147483647.5, kMax},
        {-2147483648.0, kMin}, {-2147483648.5, kMin}, {1e300, kMax},
        {infinity, kMax},      {-infinity, kMin},     {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntegerPart(c.value), c.expected) << c.value;
    }
}

TEST(BitwiseTest, CombinesAllArgumentsFromFirstToLast) {
    EXPECT_EQ(BitAnd(0xA001, 1), 1);
    EXPECT_EQ(BitAnd(0xFF, 0x0F, 0x3C), 0x0C);
    EXPECT_EQ(BitAnd(-1, 0x7FFF), 0x7FFF);
    EXPECT_EQ(BitXor(0xFFFF, 0x01), 0xFFFE);
    EXPECT_EQ(BitXor(0x0F, 0xF0, 0xFF), 0);
    EXPECT_EQ(BitOr(0x01, 0x02, 0x80), 0x83);
    EXPECT_EQ(BitAnd(42), 42);
    EXPECT_EQ(BitXor(-5), -5);
    EXPECT_EQ(BitOr(0xFFFFFFFFU, 0), -1);
}

TEST(BitwiseTest, ShiftRightIsArithmeticAndUsesTheLowFiveBitsOfTheCount) {
    struct Case {
        std::int32_t value;
        std::int32_t count;
        std::int32_t expected;
    };
    const Case cases[] = {
        {-2, 1, -1},    {0xA001, 1, 0x5000}, {4, 33, 2},          {1, 33, 0},
        {kMin, 31, -1}, {-1, 32, -1},        {0x40000000, -1, 0}, {0x1234, 0, 0x1234},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShiftRight(c.value, c.count), c.expected) << c.value << " >> " << c.count;
    }
}

// The checksum of the request frames is built from these operations alone.
TEST(BitwiseTest, BuildTheModbusChecksum) {
    std::int32_t crc = 0xFFFF;
    for (const std::int32_t byte : {0x01, 0x03, 0x00, 0x00, 0x00, 0x01}) {
        crc = BitXor(crc, byte);
        for (int bit = 0; bit < 8; ++bit) {
            const bool low_bit = BitAnd(crc, 1) != 0;
            crc = ShiftRight(crc, 1);
            if (low_bit) {
                crc = BitXor(crc, 0xA001);
            }
        }
    }
    EXPECT_EQ(crc, 0x0A84);
}

}  // namespace
}  // namespace tavr
