#include "support/figure_table.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

TEST(FigureTableTest, AlignsColumnsByCharactersNotBytes) {
    FigureTable table({"run", "p50 µs", "p99"});
    table.AddRow({"1", "20.5", "1234.0"});
    table.AddRow({"median", "µ"});  // short rows are padded

    EXPECT_EQ(table.Render(),
              "run     p50 µs     p99\n"
              "----------------------\n"
              "1         20.5  1234.0\n"
              "median       µ        \n");
}

TEST(FigureTableTest, FixedRoundsToTheGivenDecimals) {
    EXPECT_EQ(Fixed(20.46, 1), "20.5");
    EXPECT_EQ(Fixed(24256.4, 0), "24256");
    EXPECT_EQ(Fixed(0.00474, 4), "0.0047");
}

}  // namespace
}  // namespace tavr
