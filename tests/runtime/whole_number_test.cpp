#include <gtest/gtest.h>

#include "runtime/whole_number.h"

namespace tavr {
namespace {

TEST(WholeNumberTest, OnlyDecimalDigitsWithinTheRange) {
    struct Case {
        const char* text;
        std::int64_t low;
        std::int64_t high;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {"42", 1, 255, 42},
        {"1", 1, 255, 1},
        {"255", 1, 255, 255},
        {"0", 1, 255, std::nullopt},
        {"256", 1, 255, std::nullopt},
        {"-3", -5, 5, -3},
        {"-3", 0, 5, std::nullopt},
        {"+3", 0, 5, std::nullopt},
        {" 3", 0, 5, std::nullopt},
        {"3 ", 0, 5, std::nullopt},
        {"3.0", 0, 5, std::nullopt},
        {"0x10", 0, 100, std::nullopt},
        {"", 0, 5, std::nullopt},
        {"99999999999999999999", 0, 5, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseWholeNumber(c.text, c.low, c.high), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace tavr
