#include <gmock/gmock.h>

#include <optional>
#include <sstream>
#include <string>

#include "companion/cli/command_line.h"
#include "companion/cli/device_id_list.h"
#include "companion/cli/duration_text.h"
#include "companion/cli/help_format.h"
#include "companion/log/log_timestamp.h"
#include "companion/meter/register_address.h"
#include "companion/platform/local_zone.h"

namespace tavr {
namespace {

using std::chrono::milliseconds;
using testing::HasSubstr;

TEST(LogTimestamp, CarriesTheLocalOffsetAndReadsBackToTheSameMoment) {
    struct Case {
        const char* zone;
        std::int64_t millis;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", 1'796'683'200'250, "2026-12-07T22:40:00.250+00:00"},
        {"CST-8", 1'796'683'200'250, "2026-12-08T06:40:00.250+08:00"},
        {"NST3:30", 1'796'683'200'007, "2026-12-07T19:10:00.007-03:30"},
        {"UTC0", 0, "1970-01-01T00:00:00.000+00:00"},
    };
    for (const Case& c : cases) {
        const LocalZone zone(c.zone);
        const std::chrono::system_clock::time_point moment{milliseconds(c.millis)};
        EXPECT_EQ(LocalTimestamp(moment), c.text) << c.zone;
        const std::optional<double> back = ParseTimestamp(c.text);
        ASSERT_TRUE(back.has_value()) << c.text;
        EXPECT_NEAR(*back, static_cast<double>(c.millis) / 1000, 1e-6) << c.text;
    }
    EXPECT_EQ(ParseTimestamp("2026-12-07T22:40:00Z"), 1'796'683'200.0);
    for (const char* bad : {"", "2026-12-07", "2026-12-07 22:40:00Z", "2026-12-07T22:40:00+0100",
                            "2026-12-07T22:40:00.5", "yesterday"}) {
        EXPECT_FALSE(ParseTimestamp(bad).has_value()) << bad;
    }
}

TEST(OptionValues, DurationsSecondsAndRegisterAddresses) {
    struct Case {
        const char* text;
        std::optional<milliseconds> expected;
        const char* problem;
    };
    const Case durations[] = {
        {"90", milliseconds(90'000), ""},
        {"90s", milliseconds(90'000), ""},
        {"10m", milliseconds(600'000), ""},
        {"1m30s", milliseconds(90'000), ""},
        {"1h30m", milliseconds(5'400'000), ""},
        {"2d12h", milliseconds(216'000'000), ""},
        {"1h0.5s", milliseconds(3'600'500), ""},
        {"1.5h", milliseconds(5'400'000), ""},
        {"1d", milliseconds(86'400'000), ""},
        {"0.2s", milliseconds(200), ""},
        {"10000d", milliseconds(864'000'000'000), ""},
        {"0", std::nullopt, "is not a duration above 0"},
        {"0m0s", std::nullopt, "is not a duration above 0"},
        {"10001d", std::nullopt, "is longer than the longest duration, 10000 days"},
        {"-5m", std::nullopt, "is not a duration such as"},
        {"m", std::nullopt, "is not a duration such as"},
        {"30s1m", std::nullopt, "is not a duration such as"},
        {"1m1m", std::nullopt, "is not a duration such as"},
        {"1m30", std::nullopt, "is not a duration such as"},
        {"1e3", std::nullopt, "is not a duration such as"},
        {"5 m", std::nullopt, "is not a duration such as"},
        {"1..2", std::nullopt, "is not a duration such as"},
    };
    for (const Case& c : durations) {
        std::string problem;
        EXPECT_EQ(ParseDuration(c.text, problem), c.expected) << c.text;
        EXPECT_THAT(problem, testing::StartsWith(c.problem)) << c.text;
    }
    const Case periods[] = {
        {"1", milliseconds(1000), ""},
        {"0.25", milliseconds(250), ""},
        {"0.0001", std::nullopt, "is shorter than the shortest period, 0.001 s"},
        {"86401", std::nullopt, "is longer than the longest period, 86400 s"},
        {"0", std::nullopt, "is not a number of seconds above 0"},
        {"1s", std::nullopt, "is not a number of seconds above 0"},
        {"", std::nullopt, "is not a number of seconds above 0"},
    };
    for (const Case& c : periods) {
        std::string problem;
        EXPECT_EQ(ParseSeconds(c.text, problem), c.expected) << c.text;
        EXPECT_THAT(problem, testing::StartsWith(c.problem)) << c.text;
    }
    const std::pair<const char*, std::optional<std::uint16_t>> addresses[] = {
        {"0003H", 3},
        {"3h", 3},
        {"0x22", 0x22},
        {"22H", 0x22},
        {"34", 34},
        {"35", std::nullopt},
        {"0023H", std::nullopt},
        {"H", std::nullopt},
        {"0x", std::nullopt},
        {"-1", std::nullopt},
        {"1A", std::nullopt},
    };
    for (const auto& [text, expected] : addresses) {
        EXPECT_EQ(ParseRegisterAddress(text), expected) << text;
    }
    EXPECT_EQ(ParseRegisterList("4,0003H,4"), (std::vector<std::uint16_t>{4, 3}));
}

TEST(OptionValues, DeviceIdListsTakeIdsAndRangesEachOnce) {
    using Ids = std::vector<std::uint8_t>;
    struct Case {
        const char* text;
        std::optional<Ids> expected;
        const char* error;
    };
    const Case cases[] = {
        {"3", Ids{3}, ""},
        {"1,2,5", Ids{1, 2, 5}, ""},
        {"1-4", Ids{1, 2, 3, 4}, ""},
        {"9,1-3,2", Ids{9, 1, 2, 3}, ""},
        {"50", Ids{50}, ""},
        {"7-7", Ids{7}, ""},
        {"0", std::nullopt, "0 is not a device ID from 1 to 50"},
        {"51", std::nullopt, "51 is not a device ID from 1 to 50"},
        {"1-51", std::nullopt, "1-51 is not a device ID"},
        {"5-2", std::nullopt, "the range 5-2 runs backwards; write it 2-5"},
        {"1,,2", std::nullopt, "an empty entry is not a device ID"},
        {"1,", std::nullopt, "an empty entry is not a device ID"},
        {"", std::nullopt, "an empty entry is not a device ID"},
        {"-3", std::nullopt, "-3 is not a device ID"},
        {"1-", std::nullopt, "1- is not a device ID"},
        {"a", std::nullopt, "a is not a device ID"},
        {"1 ,2", std::nullopt, "1  is not a device ID"},
        {"0x3", std::nullopt, "0x3 is not a device ID"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(ParseDeviceIdList(c.text, error), c.expected) << c.text;
        EXPECT_THAT(error, testing::StartsWith(c.error)) << c.text;
    }
}

// A command line as the companion takes it apart: flags without a value and given once, options
// with one, positionals (a negative number is one; "--" ends the options), the validators' and
// the parser's refusals in the companion's words, help on -h or --help.
TEST(OptionValues, CommandLinesAreTakenApartInTheCompanionsWords) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<ExitStatus> ended;
        std::string said;  // on standard error, or standard output for the help
        std::vector<std::string> positionals;
        bool force;
    };
    const Case cases[] = {
        {{"--force", "3", "--id", "2", "--every", "1"}, std::nullopt, "", {"3"}, true},
        {{"3", "--every=1", "-5", "--", "--id"}, std::nullopt, "", {"3", "-5", "--id"}, false},
        {{"--force=yes", "--every", "1"},
         ExitStatus::BadUsage,
         "--force takes no value",
         {},
         false},
        {{"--force", "--force", "--every", "1"},
         ExitStatus::BadUsage,
         "--force is given twice",
         {},
         false},
        {{"--every", "1", "--id", "1", "--id=2"},
         ExitStatus::BadUsage,
         "--id is given twice",
         {},
         false},
        {{"--every", "1", "--id"}, ExitStatus::BadUsage, "--id needs a value", {}, false},
        {{"--every", "1", "--colour=red"},
         ExitStatus::BadUsage,
         "unknown option --colour",
         {},
         false},
        {{"--id", "2"}, ExitStatus::BadUsage, "--every SECONDS is required", {}, false},
        {{"--every", "1", "--id", "x"}, ExitStatus::BadUsage, "--id: x is not 1 or 2", {}, false},
        {{"--every", "1", "--force", "--gentle"},
         ExitStatus::BadUsage,
         "tavr-12864-cli test: --gentle and --force exclude each other",
         {},
         false},
        {{"--help"},
         ExitStatus::Done,
         "usage: tavr-12864-cli test [OPTIONS] VALUE\nTests.",
         {},
         false},
        {{"--id", "x", "-h"}, ExitStatus::Done, "  --every SECONDS (required)\n", {}, false},
        {{"--every", "1", "--", "--help"}, std::nullopt, "", {"--help"}, false},
    };
    for (const Case& c : cases) {
        CommandLine line("test", "Tests.", "VALUE");
        bool force = false;
        bool gentle = false;
        std::string every;
        std::string id;
        line.App().add_option("--every", every, "how often")->type_name("SECONDS")->required();
        line.App().add_option("--id", id, "which")->check(OneOf({"1", "2"}));
        line.AddFlag("--gentle", gentle, "gently")
            ->excludes(line.AddFlag("--force", force, "hard"));
        std::ostringstream out;
        std::ostringstream err;
        Console console{out, err, false};
        const std::string name = testing::PrintToString(c.arguments);
        EXPECT_EQ(line.Parse(c.arguments, console), c.ended) << name;
        EXPECT_THAT(c.ended == ExitStatus::Done ? out.str() : err.str(), HasSubstr(c.said)) << name;
        if (!c.ended) {
            EXPECT_EQ(line.Positionals(), c.positionals) << name;
            EXPECT_EQ(force, c.force) << name;
        }
    }
}

// Help texts are wrapped by the program, at blanks, keeping the line breaks they hold.
TEST(OptionValues, HelpTextsAreWrappedAtBlanks) {
    struct Case {
        std::string text;
        std::size_t width;
        std::string wrapped;
    };
    const Case cases[] = {
        {"one two three", 7, "one two\nthree"},
        {"one two three", 13, "one two three"},
        {"one\ntwo three", 7, "one\ntwo\nthree"},
        {"a longwordthatdoesnotfit b", 5, "a\nlongwordthatdoesnotfit\nb"},
        {"", 10, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Wrapped(c.text, c.width), c.wrapped) << c.text;
    }
}

// Standard output on a full device or closed: the failure and the system's reason are kept,
// also for what is written after it.

}  // namespace
}  // namespace tavr
