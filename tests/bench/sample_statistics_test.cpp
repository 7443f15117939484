#include "support/sample_statistics.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace tavr {
namespace {

std::vector<double> OneTo(int count) {
    std::vector<double> samples(static_cast<std::size_t>(count));
    std::iota(samples.rbegin(), samples.rend(), 1.0);  // descending: order must not matter
    return samples;
}

TEST(SampleStatisticsTest, PercentileTakesTheNearestRank) {
    struct Case {
        int count;
        double percent;
        double expected;
    };
    for (const Case& c : {
             Case{1000, 99, 990},  // the 990th smallest, not an interpolation
             Case{1000, 50, 500},
             Case{100, 99, 99},
             Case{10, 99, 10},  // too few samples: the largest
             Case{10, 95, 10},
             Case{10, 90, 9},
             Case{10, 100, 10},
             Case{10, 0, 1},
             Case{10, 0.1, 1},
             Case{1, 99, 1},
             Case{3, 50, 2},
         }) {
        EXPECT_EQ(Percentile(OneTo(c.count), c.percent), c.expected)
            << "p" << c.percent << " of 1.." << c.count;
    }
}

TEST(SampleStatisticsTest, MedianAveragesTheMiddlePairOfAnEvenCount) {
    EXPECT_EQ(Median({5, 1, 3}), 3);
    EXPECT_EQ(Median({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(Median({7}), 7);
    EXPECT_EQ(Median({}), 0);
}

TEST(SampleStatisticsTest, SpreadUsesTheSampleStandardDeviation) {
    const Spread spread = SpreadOf({2, 4, 4, 4, 5, 5, 7, 9});
    EXPECT_EQ(spread.min, 2);
    EXPECT_EQ(spread.max, 9);
    EXPECT_EQ(spread.mean, 5);
    EXPECT_NEAR(spread.stddev, 2.1381, 1e-4);  // sqrt(32 / 7)
    EXPECT_NEAR(spread.cv, 2.1381 / 5, 1e-4);

    const Spread single = SpreadOf({3});
    EXPECT_EQ(single.stddev, 0);
    EXPECT_EQ(single.cv, 0);
    EXPECT_EQ(SpreadOf({}).max, 0);
    EXPECT_EQ(SpreadOf({0, 0}).cv, 0);  // no division by a zero mean
}

}  // namespace
}  // namespace tavr
