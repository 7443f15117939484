#include <gtest/gtest.h>

#include "companion/log/reading_gaps.h"

namespace tavr {
namespace {

using Values = std::vector<std::optional<double>>;

std::vector<std::pair<std::size_t, std::size_t>> Pairs(const std::vector<Stretch>& stretches) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const Stretch& stretch : stretches) {
        pairs.emplace_back(stretch.first, stretch.last);
    }
    return pairs;
}

// Where lines are broken: at missing values, at gaps over three median periods, and where the
// clock went back.
TEST(ReadingGapsTest, LinesBreakWhereReadingsAreMissing) {
    struct Case {
        const char* name;
        std::vector<double> seconds;
        Values values;
        std::vector<std::pair<std::size_t, std::size_t>> stretches;
    };
    const Case cases[] = {
        {"steady", {0, 1, 2, 3}, {1, 2, 3, 4}, {{0, 3}}},
        {"gap of 15 periods", {0, 1, 2, 17, 18}, {15, 15, 15, -20, -20}, {{0, 2}, {3, 4}}},
        {"gap of exactly 3 periods stays", {0, 1, 2, 5, 6}, {1, 1, 1, 1, 1}, {{0, 4}}},
        {"gap just over 3 periods", {0, 1, 2, 5.01, 6}, {1, 1, 1, 1, 1}, {{0, 2}, {3, 4}}},
        {"empty cell", {0, 1, 2, 3, 4}, {1, 2, std::nullopt, 4, 5}, {{0, 1}, {3, 4}}},
        {"lone reading between gaps",
         {0, 1, 2, 10, 20, 21},
         {1, 1, 1, 1, 1, 1},
         {{0, 2}, {3, 3}, {4, 5}}},
        {"clock set back", {0, 1, 2, 1.5, 2.5}, {1, 1, 1, 1, 1}, {{0, 2}, {3, 4}}},
        {"irregular but no gap", {0, 1, 3, 4, 6, 7}, {1, 1, 1, 1, 1, 1}, {{0, 5}}},
        {"uneven: 5 s over a median of 1.5 s", {0, 1, 3, 4, 9}, {1, 1, 1, 1, 1}, {{0, 3}, {4, 4}}},
        {"two readings at one time are joined", {0, 1, 1, 2}, {1, 2, 3, 4}, {{0, 3}}},
        {"one reading", {0}, {7}, {{0, 0}}},
        {"nothing", {}, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pairs(UnbrokenStretches(c.seconds, c.values)), c.stretches) << c.name;
    }
    EXPECT_EQ(MedianPeriod({0, 1, 2, 17, 18}), 1);
    EXPECT_EQ(MedianPeriod({0, 2, 2, 4, 6}), 2);
    EXPECT_EQ(MedianPeriod({0, 1, 3, 4, 9}), 1.5);  // the middle two of 1, 1, 2 and 5
    EXPECT_EQ(MedianPeriod({5}), 0);
}

}  // namespace
}  // namespace tavr
