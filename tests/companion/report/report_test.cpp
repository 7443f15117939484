#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "companion/commands/companion.h"
#include "companion/plot/run_plot.h"
#include "companion/report/discharge_report.h"
#include "settings/config_home_test.h"

namespace tavr {
namespace {

using testing::DoubleNear;
using testing::HasSubstr;

using Values = std::vector<std::optional<double>>;

// One meter's rows at `seconds` with a column per register.
LoggedDevice Rows(std::vector<double> seconds,
                  const std::vector<std::pair<std::uint16_t, Values>>& columns) {
    LoggedDevice device;
    device.seconds = std::move(seconds);
    for (const auto& [address, values] : columns) {
        device.series.push_back({address, "", values});
    }
    return device;
}

// Readings every second at 12 V, with the currents given.
LoggedDevice Currents(const std::vector<double>& amps) {
    std::vector<double> seconds;
    for (std::size_t k = 0; k < amps.size(); ++k) {
        seconds.push_back(static_cast<double>(k));
    }
    return Rows(seconds,
                {{0x03, Values(amps.size(), 12.0)}, {0x04, Values(amps.begin(), amps.end())}});
}

TEST(DischargeReportTest, ChargeAndEnergyAreTrapezoidsSplitByDirection) {
    struct Case {
        const char* name;
        LoggedDevice rows;
        double ahOut, ahIn, whOut, whIn;
        std::size_t gaps;
    };
    LoggedDevice gapped = Currents({36, 36, 36, 36});
    gapped.seconds[2] = 10;  // 8 s without readings: more than 3 median periods
    gapped.seconds[3] = 11;
    LoggedDevice backwards = Currents({36, 36, 36});
    backwards.seconds[2] = -5;  // the clock was set back
    LoggedDevice slow = Currents({36, 36, 36});
    slow.seconds[2] = 4;  // 3 s: exactly 3 median periods (2 s, 1 s → median 1.5 s) is bridged
    LoggedDevice noCurrent = Currents({36, 36, 36, 36});
    noCurrent.series[1].values[2].reset();  // nothing is known of the current around it
    LoggedDevice noVoltage = Currents({36, 36, 36});
    noVoltage.series[0].values[2].reset();  // charge still counts, energy does not
    const Case cases[] = {
        {"an hour of 10 A", Currents(std::vector<double>(3601, 10.0)), 10, 0, 120, 0, 0},
        {"charging at 3600 A for 2 s", Currents({-3600, -3600, -3600}), 0, 2, 0, 24, 0},
        {"a ramp through zero", Currents({3600, -3600}), 0.25, 0.25, 3, 3, 0},
        {"a ramp to zero", Currents({7200, 0}), 1, 0, 12, 0, 0},
        {"a gap is not bridged", gapped, 0.02, 0, 0.24, 0, 1},
        {"time going back is a gap", backwards, 0.01, 0, 0.12, 0, 1},
        {"three median periods are bridged", slow, 0.04, 0, 0.48, 0, 0},
        {"an empty current is a gap", noCurrent, 0.01, 0, 0.12, 0, 1},
        {"an empty voltage stops only the energy", noVoltage, 0.02, 0, 0.12, 0, 0},
        {"one reading", Currents({5}), 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const DischargeReport report = ReportRun(c.rows);
        EXPECT_THAT(report.ahOut, DoubleNear(c.ahOut, 1e-9)) << c.name;
        EXPECT_THAT(report.ahIn, DoubleNear(c.ahIn, 1e-9)) << c.name;
        EXPECT_THAT(report.whOut, DoubleNear(c.whOut, 1e-9)) << c.name;
        EXPECT_THAT(report.whIn, DoubleNear(c.whIn, 1e-9)) << c.name;
        EXPECT_EQ(report.gaps, c.gaps) << c.name;
        EXPECT_EQ(report.readings, c.rows.seconds.size()) << c.name;
    }
}

TEST(DischargeReportTest, SpreadsStartEndAndTheMetersCounters) {
    LoggedDevice rows = Rows({0, 1, 2}, {{0x03, {12.0, 12.5, 13.0}},
                                         {0x04, {10, -4, 0}},
                                         {0x05, {20.0, 30.0, 25.0}},
                                         {0x07, {75.0, 74.9, 74.8}},
                                         {0x08, {1000, 1002, 1005}},
                                         {0x0B, {75.0, 74.9, 74.8}}});
    const DischargeReport report = ReportRun(rows);
    EXPECT_EQ(report.durationSeconds, 2);
    EXPECT_EQ(report.medianPeriodSeconds, 1);
    ASSERT_TRUE(report.volts && report.amps);
    EXPECT_EQ(report.volts->min, 12.0);
    EXPECT_EQ(report.volts->mean, 12.5);
    EXPECT_EQ(report.volts->max, 13.0);
    EXPECT_EQ(report.amps->min, -4);
    EXPECT_EQ(report.amps->mean, 2);
    ASSERT_TRUE(report.celsius);
    EXPECT_EQ(report.celsius->mean, 25.0);
    EXPECT_EQ(report.remainingAhStart, 75.0);
    EXPECT_EQ(report.remainingAhEnd, 74.8);
    EXPECT_EQ(report.percentEnd, 74.8);
    EXPECT_THAT(*report.meterAhChange, DoubleNear(-0.2, 1e-9));
    EXPECT_EQ(report.meterWhChange, 5);

    // Empty cells: the spread of the rest, and the counters from their first to their last value.
    rows.series[2].values[1].reset();
    rows.series[3].values[2].reset();
    const DischargeReport partial = ReportRun(rows);
    EXPECT_EQ(partial.celsius->mean, 22.5);
    EXPECT_EQ(partial.remainingAhEnd, 74.9);
    EXPECT_THAT(*partial.meterAhChange, DoubleNear(-0.1, 1e-9));
    rows.series[3].values = Values(3);
    EXPECT_FALSE(ReportRun(rows).meterAhChange);
}

class ReportCommandTest : public ConfigHomeTest {
  protected:
    std::string Log(const std::string& name, const std::string& text) {
        const std::filesystem::path path = Home() / name;
        std::ofstream(path) << text;
        return path.string();
    }

    // A FIFO that nothing writes to: reading it would wait for ever.
    std::string Fifo() {
        const std::filesystem::path path = Home() / "fifo.csv";
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path.string();
    }

    static std::pair<int, std::string> Report(std::vector<std::string> arguments,
                                              std::string* err = nullptr) {
        arguments.insert(arguments.begin(), "report");
        std::ostringstream out;
        std::ostringstream errors;
        Console console{out, errors, false};
        const int code = RunCompanion(arguments, console, DrawRunPlot);
        if (err != nullptr) {
            *err = errors.str();
        }
        return {code, out.str()};
    }
};

TEST_F(ReportCommandTest, EachDeviceOfALogIsReportedAndIncompleteRowsAreSaid) {
    const std::string path =
        Log("bus.csv",
            "time,device,0003H V,0004H A,0005H ℃,0007H Ah,0008H Wh,000BH %\n"
            "2026-12-07T10:00:00.000+00:00,3,12.000,36.000,25.0,75.0,1234,75.00\n"
            "2026-12-07T10:00:00.500+00:00,9,48.000,-3.6,30.0,10.0,50,10.00\n"
            "2026-12-07T10:00:01.000+00:00,3,12.000,36.000,25.0,74.9,1235,74.90\n"
            "2026-12-07T10:00:01.500+00:00,9,48.000,-3.6,30.0,10.1,50,10.10\n"
            "2026-12-07T10:00:02.000+00:00,3,12.000,,25.0,74.8,1235,74.80\n"
            "2026-12-07T10:00:02.500+00:00,x,48.000,-3.6,30.0,10.1,50,10.10\n"
            "yesterday,3,12.000,36.000,25.0,74.9,1235,74.90\n"
            "2026-12-07T10:00:03.000+00:00,3,12.0\n");
    std::string err;
    const auto [code, out] = Report({path, "--format", "json"}, &err);
    ASSERT_EQ(code, 0) << err;
    EXPECT_THAT(err, HasSubstr("line 7: \"x\" is not a device ID; row left out"));
    EXPECT_THAT(err, HasSubstr("line 8: \"yesterday\" is not a time; row left out"));
    EXPECT_THAT(err, HasSubstr("line 9: holds 3 of the header's 8 cells; row left out"));
    const auto json = nlohmann::json::parse(out);
    EXPECT_EQ(json["skipped_rows"], 3);
    ASSERT_EQ(json["devices"].size(), 2u);
    const auto& three = json["devices"][0];
    EXPECT_EQ(three["device"], 3);
    EXPECT_EQ(three["readings"], 3);  // the last without a current: no charge after it
    EXPECT_EQ(three["charge_ah"]["out"], 0.01);
    EXPECT_EQ(three["energy_wh"]["out"], 0.12);
    EXPECT_EQ(three["meter_counters"]["energy_wh_change"], 1.0);
    EXPECT_EQ(three["remaining_ah"]["end"], 74.8);
    const auto& nine = json["devices"][1];
    EXPECT_EQ(nine["device"], 9);
    EXPECT_EQ(nine["charge_ah"]["in"], 0.001);
    EXPECT_EQ(nine["energy_wh"]["in"], 0.048);
    EXPECT_EQ(nine["percent"]["start"], 10.0);
    EXPECT_EQ(nine["temperature_c"]["max"], 30.0);
}

TEST_F(ReportCommandTest, TextReportOfAOneMeterLog) {
    const std::string path = Log("one.csv",
                                 "time,0003H V,0004H A\n"
                                 "2026-12-07T10:00:00Z,12.000,36.000\n"
                                 "2026-12-07T10:00:01Z,12.000,36.000\n");
    const auto [code, out] = Report({path});
    ASSERT_EQ(code, 0);
    EXPECT_THAT(out, HasSubstr("meter: 2 readings from 2026-12-07T10:00:00Z"));
    EXPECT_THAT(out, HasSubstr("charge            out 0.010 Ah, in 0.000 Ah"));
    EXPECT_THAT(out, HasSubstr("energy            out 0.12 Wh, in 0.00 Wh"));
    EXPECT_THAT(out, testing::Not(HasSubstr("temperature")));
}

TEST_F(ReportCommandTest, LogsThatCannotBeReportedAreRefused) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{}, "give one logged FILE.csv"},
        {{Log("a.csv", "time,0003H V,0004H A\n"), "--format", "xml"}, "--format: xml"},
        {{Log("b.csv", "time,0003H V,0005H ℃\n")}, "is not a log written by watch"},
        {{Log("c.csv", "date,0003H V,0004H A\n")}, "is not a log written by watch"},
        {{Log("d.csv", "time,0003H V,0004H A\n")}, "holds no complete reading"},
        {{(Home() / "missing.csv").string()}, "cannot read"},
        {{Home().string()}, "is not a regular file (it is a folder)"},
        {{Fifo()}, "is not a regular file (it is a pipe (FIFO))"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(Report(c.arguments, &err).first, 2) << c.message;
        EXPECT_THAT(err, HasSubstr(c.message));
    }
}

}  // namespace
}  // namespace tavr
