#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "companion/commands/companion.h"
#include "companion/log/logged_run.h"
#include "companion/plot/plot_description.h"
#include "settings/config_home_test.h"

namespace tavr {
namespace {

class LoggedRunTest : public ConfigHomeTest {
  protected:
    // Runs a sub-command on the log; `drawn` gets the plot's description when it draws one.
    static int Run(std::vector<std::string> arguments, std::string& err, std::string* out = nullptr,
                   PlotDescription* drawn = nullptr) {
        std::ostringstream output;
        std::ostringstream errors;
        Console console{output, errors, false};
        const auto describe = [&](const LoggedRun& run, const std::string&, std::string&) {
            if (drawn != nullptr) {
                *drawn = DescribeRunPlot(run);
            }
            return true;
        };
        const int code = RunCompanion(arguments, console, describe);
        err = errors.str();
        if (out != nullptr) {
            *out = output.str();
        }
        return code;
    }

    // The line numbers a command's error output names after `before`.
    static std::vector<std::int64_t> NamedLines(const std::string& err, const std::string& before) {
        std::vector<std::int64_t> lines;
        for (std::size_t at = err.find(before); at != std::string::npos;
             at = err.find(before, at + 1)) {
            lines.push_back(std::stoll(err.substr(at + before.size())));
        }
        return lines;
    }
};

// A row is whole when it ended with its line break and has every column: a row cut off by a
// kill is skipped even when its cells read as numbers.
TEST_F(LoggedRunTest, SkipsRowsCutOffOrOfTheWrongShapeAndReadsTheDeviceColumn) {
    struct Case {
        const char* text;
        std::size_t rows;
        std::int64_t skipped;
        std::vector<int> devices;
    };
    const Case cases[] = {
        {"time,0003H V\n2026-01-01T10:00:00Z,12.345\n2026-01-01T10:00:01Z,12.3", 1, 1, {}},
        {"time,0003H V\r\n2026-01-01T10:00:00Z,12.345\r\n2026-01-01T10:00:01Z,12.3\r\n", 2, 0, {}},
        {"time,0003H V,0004H A\n2026-01-01T10:00:00Z,12.345\n", 0, 1, {}},
        {"time,0003H V\n2026-01-01T10:00:00Z, 12.3\n2026-01-01T10:00:01Z,inf\n", 0, 2, {}},
        {"time,device,0003H V\n2026-01-01T10:00:00Z,3,12.345\n2026-01-01T10:00:00Z,9,1\n"
         "2026-01-01T10:00:01Z,x,1\n2026-01-01T10:00:01Z,3,12.3",
         2,
         2,
         {3, 9}},
    };
    const std::filesystem::path path = Home() / "run.csv";
    for (const Case& c : cases) {
        PutFile(path, c.text);
        std::string error;
        const std::optional<LoggedRun> run = ReadLoggedRun(path.string(), error);
        ASSERT_TRUE(run.has_value()) << error;
        std::size_t rows = 0;
        std::vector<int> devices;
        for (const LoggedDevice& device : run->devices) {
            rows += device.seconds.size();
            if (device.id) {
                devices.push_back(*device.id);
            }
        }
        EXPECT_EQ(rows, c.rows) << c.text;
        EXPECT_EQ(static_cast<std::int64_t>(run->skipped.size()), c.skipped) << c.text;
        EXPECT_EQ(devices, c.devices) << c.text;
    }
}

// plot and report read a log the same way: the same lines skipped, the same readings per meter,
// and the report counts a gap exactly where the plot breaks the current's line.
TEST_F(LoggedRunTest, PlotAndReportAgreeOnTheSameLogs) {
    struct Case {
        const char* name;
        std::string rows;  // after the header "time,0003H V,0004H A" (with the device column when
                           // the first row names one)
        std::vector<std::int64_t> skipped;
        std::vector<std::size_t> readings;  // per meter
        std::vector<std::size_t> lines;     // of the current, per meter
    };
    const std::string t = "2026-01-01T10:00:";
    const Case cases[] = {
        {"cut-off last line", t + "00Z,12,1\n" + t + "01Z,12,1\n" + t + "02Z,12", {4}, {2}, {1}},
        {"cut value: the cells are all there, the line break is not",
         t + "00Z,12,1\n" + t + "01Z,12,1\n" + t + "02Z,12.3,1.2",
         {4},
         {2},
         {1}},
        {"empty cells",
         t + "00Z,12,1\n" + t + "01Z,12,\n" + t + "02Z,,1\n" + t + "03Z,12,1\n",
         {},
         {4},
         {2}},
        {"clock going back",
         t + "00Z,12,1\n" + t + "01Z,12,1\n" + t + "02Z,12,1\n" + t + "01.500Z,12,1\n" + t +
             "02.500Z,12,1\n",
         {},
         {5},
         {2}},
        {"uneven periods: 0, 1, 3, 4 and 9 s have a median period of 1.5 s",
         t + "00Z,12,1\n" + t + "01Z,12,1\n" + t + "03Z,12,1\n" + t + "04Z,12,1\n" + t +
             "09Z,12,1\n",
         {},
         {5},
         {2}},
        {"unreadable cells",
         t + "00Z,12,1\n" + "yesterday,12,1\n" + t + "02Z,12,one\n" + t + "03Z,12,1,4\n" + t +
             "04Z,12,1\n",
         {3, 4, 5},
         {2},
         {1}},
        {"several devices",
         t + "00Z,3,12,1\n" + t + "00.500Z,9,48,-2\n" + t + "01Z,3,12,1\n" + t +
             "01.500Z,x,48,-2\n" + t + "02Z,3,12,\n" + t + "02.500Z,9,48,-2\n" + t +
             "03Z,3,12,1\n" + t + "03.500Z,9,48,-2\n" + t + "20.500Z,9,48,-2\n" + t + "21Z,9,48,-2",
         {5, 11},
         {4, 4},
         {2, 2}},
    };
    for (const Case& c : cases) {
        const bool devices = c.rows.find("Z,3,") != std::string::npos;
        const std::string path = (Home() / "run.csv").string();
        PutFile(path,
                std::string(devices ? "time,device," : "time,") + "0003H V,0004H A\n" + c.rows);

        std::string plotErr;
        PlotDescription plot;
        ASSERT_EQ(Run({"plot", path, "-o", "run.svg"}, plotErr, nullptr, &plot), 0) << c.name;
        std::string reportErr;
        std::string reportOut;
        ASSERT_EQ(Run({"report", path, "--format", "json"}, reportErr, &reportOut), 0) << c.name;

        EXPECT_EQ(NamedLines(plotErr, "skipped line "), c.skipped) << c.name;
        EXPECT_EQ(NamedLines(reportErr, path + " line "), c.skipped) << c.name;
        const auto report = nlohmann::json::parse(reportOut);
        ASSERT_EQ(plot.panels.size(), 2u) << c.name;  // voltage and current
        const PlotPanel& current = plot.panels[1];
        ASSERT_EQ(report["devices"].size(), c.readings.size()) << c.name;
        ASSERT_EQ(current.series.size(), c.readings.size()) << c.name;
        for (std::size_t k = 0; k < c.readings.size(); ++k) {
            const auto& device = report["devices"][k];
            EXPECT_EQ(device["readings"], c.readings[k]) << c.name;
            EXPECT_EQ(current.series[k].segments.size(), c.lines[k]) << c.name;
            EXPECT_EQ(device["gaps"], c.lines[k] - 1) << c.name;
        }
    }
}

}  // namespace
}  // namespace tavr
