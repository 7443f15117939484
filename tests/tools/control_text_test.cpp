#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "meter_simulator/control_command.h"
#include "meter_simulator/fault.h"
#include "meter_simulator/simulator_options.h"

namespace tavr::simulator {
namespace {

TEST(FaultTextTest, KindsAndArgumentsAreReadAndWrittenAlike) {
    const struct {
        std::string_view text;
        std::optional<Fault> fault;
    } cases[] = {
        {"none", Fault{FaultKind::None, 0}},
        {"silent", Fault{FaultKind::Silent, 0}},
        {"short", Fault{FaultKind::Short, 0}},
        {"short=10", Fault{FaultKind::Short, 10}},
        {"bad-crc", Fault{FaultKind::BadCrc, 0}},
        {"delay", Fault{FaultKind::Delay, 1000}},
        {"delay=500", Fault{FaultKind::Delay, 500}},
        {"delay 0", Fault{FaultKind::Delay, 0}},
        {"garbage 100000", Fault{FaultKind::Garbage, 100000}},
        {"garbage=0x10", Fault{FaultKind::Garbage, 16}},
        {"hangup", Fault{FaultKind::HangUp, 200}},
        {"bogus", std::nullopt},
        {"delay=soon", std::nullopt},
        {"delay=-1", std::nullopt},
        {"garbage=0", std::nullopt},
        {"short=0", std::nullopt},
        {"bad-crc=3", std::nullopt},
        {"delay=", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto fault = ParseFault(c.text);

        EXPECT_EQ(fault, c.fault) << c.text;
        if (fault) {
            EXPECT_EQ(ParseFault(DescribeFault(*fault)), fault) << c.text;
        }
    }
}

ParsedCommandLine Parse(std::vector<std::string_view> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLineTest, DefaultsSuitTheProgramsFirstRun) {
    const ParsedCommandLine parsed = Parse({});

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.com, 1);
    EXPECT_EQ(parsed.options.address, 1);
    EXPECT_EQ(parsed.options.baud, 2400);
    EXPECT_FALSE(parsed.options.checkBaud);
    EXPECT_TRUE(parsed.options.readCommands);
    EXPECT_EQ(parsed.options.fault, Fault{});
    EXPECT_FALSE(parsed.options.paced);
}

TEST(CommandLineTest, OptionsTakeTheirValueApartOrAfterAnEqualsSign) {
    const ParsedCommandLine parsed =
        Parse({"--com", "3", "--address=7", "--baud", "14400", "--check-baud", "--log", "-",
               "--fault=delay=500", "--seed", "0x2A", "--frozen", "--no-stdin"});

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.com, 3);
    EXPECT_EQ(parsed.options.address, 7);
    EXPECT_EQ(parsed.options.baud, 14400);
    EXPECT_TRUE(parsed.options.checkBaud);
    EXPECT_EQ(parsed.options.logDestination, "-");
    EXPECT_EQ(parsed.options.fault, (Fault{FaultKind::Delay, 500}));
    EXPECT_EQ(parsed.options.seed, 42u);
    EXPECT_TRUE(parsed.options.frozen);
    EXPECT_FALSE(parsed.options.readCommands);
    EXPECT_FALSE(parsed.options.paced);

    EXPECT_TRUE(Parse({"--paced"}).options.paced);
    const ParsedCommandLine grouped = Parse({"--paced-group=16"});
    ASSERT_EQ(grouped.error, "");
    EXPECT_TRUE(grouped.options.paced) << "a group size paces the line";
    EXPECT_EQ(grouped.options.pacedGroup, 16);
}

TEST(CommandLineTest, MistakesAreReportedNotGuessed) {
    const std::vector<std::vector<std::string_view>> mistakes = {
        {"--com", "0"},      {"--com"},        {"--address", "0"}, {"--address", "248"},
        {"--baud", "fast"},  {"--fault", "x"}, {"--log", ""},      {"--check-baud=yes"},
        {"--speed", "9600"}, {"com", "1"},     {"--paced=2"},      {"--paced-group", "0"},
    };
    for (const auto& arguments : mistakes) {
        EXPECT_NE(Parse(arguments).error, "") << arguments[0];
    }
    EXPECT_TRUE(Parse({"--help"}).helpRequested);
}

TEST(ControlCommandTest, LinesBecomeCommands) {
    using Kind = ControlCommand::Kind;
    const struct {
        std::string_view line;
        Kind kind;
        Fault fault;
        int address;
        int value;
        int pauseMs;
        std::optional<int> meter = std::nullopt;
    } cases[] = {
        {"quit", Kind::Quit, {}, 0, 0, 200},
        {"fault none", Kind::SetFault, {}, 0, 0, 200},
        {"fault delay 500", Kind::SetFault, {FaultKind::Delay, 500}, 0, 0, 200},
        {"  fault   garbage 100000\r", Kind::SetFault, {FaultKind::Garbage, 100000}, 0, 0, 200},
        {"hangup", Kind::HangUp, {}, 0, 0, 200},
        {"hangup 0", Kind::HangUp, {}, 0, 0, 0},
        {"set 0x0005 250", Kind::Set, {}, 5, 250, 200},
        {"set 34 65535", Kind::Set, {}, 34, 65535, 200},
        {"get 0x22", Kind::Get, {}, 34, 0, 200},
        {"meter 5 fault silent", Kind::SetFault, {FaultKind::Silent, 0}, 0, 0, 200, 5},
        {"meter 0x0A set 9 7", Kind::Set, {}, 9, 7, 200, 10},
        {"meter 247 get 3", Kind::Get, {}, 3, 0, 200, 247},
    };
    for (const auto& c : cases) {
        const ParsedControlCommand parsed = ParseControlCommand(c.line);

        ASSERT_TRUE(parsed.command) << c.line << ": " << parsed.error;
        EXPECT_EQ(parsed.command->kind, c.kind) << c.line;
        EXPECT_EQ(parsed.command->fault, c.fault) << c.line;
        EXPECT_EQ(parsed.command->address, c.address) << c.line;
        EXPECT_EQ(parsed.command->value, c.value) << c.line;
        EXPECT_EQ(parsed.command->pause.count(), c.pauseMs) << c.line;
        EXPECT_EQ(parsed.command->meter, c.meter) << c.line;
    }
}

TEST(ControlCommandTest, BadLinesAreErrorsAndBlankLinesNothing) {
    for (std::string_view line :
         {"fault", "fault lots", "set 0x23 1", "set 5 65536", "set 5", "get", "hangup soon",
          "quit now", "reboot", "meter", "meter 3", "meter 0 get 3", "meter 3 quit",
          "meter 3 hangup", "meter x fault none"}) {
        const ParsedControlCommand parsed = ParseControlCommand(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_NE(parsed.error, "") << line;
    }
    const ParsedControlCommand blank = ParseControlCommand(" \r");
    EXPECT_FALSE(blank.command);
    EXPECT_EQ(blank.error, "");
}

}  // namespace
}  // namespace tavr::simulator
