#include "support/count_options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tavr {
namespace {

CountOptions RunsAndCycles() {
    return {{"--runs", 5, "runs"}, {"--cycles", 2000, "cycles per run"}};
}

TEST(CountOptionsTest, GivenValuesReplaceTheDefaults) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::int64_t runs;
        std::int64_t cycles;
    };
    for (const Case& c : {
             Case{{}, 5, 2000}, Case{{"--runs", "3"}, 3, 2000},
             Case{{"--cycles=10", "--runs", "1"}, 1, 10},
             Case{{"--runs", "2", "--runs", "9"}, 9, 2000},  // the last one counts
         }) {
        CountOptions options = RunsAndCycles();
        ASSERT_TRUE(options.Parse(c.arguments)) << options.Error();
        EXPECT_EQ(options["--runs"], c.runs);
        EXPECT_EQ(options["--cycles"], c.cycles);
    }
}

TEST(CountOptionsTest, RefusesWhatIsNotAWholeNumberFromOne) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string error;
    };
    for (const Case& c : {
             Case{{"--runs"}, "--runs needs a whole number from 1 up, not \"\""},
             Case{{"--runs", "0"}, "--runs needs a whole number from 1 up, not \"0\""},
             Case{{"--runs", "-2"}, "--runs needs a whole number from 1 up, not \"-2\""},
             Case{{"--runs=3x"}, "--runs needs a whole number from 1 up, not \"3x\""},
             Case{{"--runs", "99999999999999999999"},
                  "--runs needs a whole number from 1 up, not \"99999999999999999999\""},
             Case{{"--cycle", "3"}, "unknown option --cycle"},
             Case{{"5"}, "unknown option 5"},
         }) {
        CountOptions options = RunsAndCycles();
        EXPECT_FALSE(options.Parse(c.arguments));
        EXPECT_EQ(options.Error(), c.error);
        EXPECT_FALSE(options.HelpRequested());
    }
}

TEST(CountOptionsTest, HelpStopsParsingAndTheUsageShowsTheDefaults) {
    CountOptions options = RunsAndCycles();
    const std::vector<std::string_view> arguments{"--runs", "7", "--help", "--bogus"};
    EXPECT_FALSE(options.Parse(arguments));
    EXPECT_TRUE(options.HelpRequested());
    EXPECT_EQ(options.Error(), "");
    EXPECT_EQ(options.Usage("bench"),
              "usage: bench [--runs N] [--cycles N]\n"
              "  --runs N    runs (default 5)\n"
              "  --cycles N  cycles per run (default 2000)\n");
}

}  // namespace
}  // namespace tavr
