#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "companion/plot/plot_description.h"
#include "companion/plot/plot_png.h"
#include "companion/plot/plot_svg.h"
#include "companion/plot/run_plot.h"
#include "png_pixels.h"

namespace tavr {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

using Values = std::vector<std::optional<double>>;

const std::map<std::uint16_t, std::string> kUnits = {
    {0x03, "V"}, {0x04, "A"}, {0x05, "℃"}, {0x06, "℃"}, {0x07, "Ah"}, {0x08, "Wh"}, {0x1E, "V"}};

LoggedDevice Device(std::optional<int> id, std::vector<double> seconds,
                    const std::vector<std::pair<std::uint16_t, Values>>& columns) {
    LoggedDevice device{id, std::move(seconds), {}, {}, {}};
    for (const auto& [address, values] : columns) {
        device.series.push_back({address, kUnits.at(address), values});
    }
    return device;
}

LoggedRun LogOf(std::vector<LoggedDevice> devices,
                std::string start = "2026-12-07T23:45:26.799+01:00") {
    return {std::move(start), std::move(devices), {}, {}};
}

std::vector<std::string> PanelTitles(const PlotDescription& plot) {
    std::vector<std::string> titles;
    for (const PlotPanel& panel : plot.panels) {
        titles.push_back(panel.values.title.text);
    }
    return titles;
}

std::vector<std::string> LegendLabels(const PlotDescription& plot) {
    std::vector<std::string> labels;
    for (const PlotLegendEntry& entry : plot.legend) {
        labels.push_back(entry.label.text);
    }
    return labels;
}

bool Inside(const PlotRect& area, PlotPoint point) {
    return point.x >= area.left - 1e-9 && point.x <= area.Right() + 1e-9 &&
           point.y >= area.top - 1e-9 && point.y <= area.Bottom() + 1e-9;
}

// A step from +15 A to -20 A across a gap is two lines, not a ramp: the first ends at the last
// reading before the gap and the second starts at the first after it.
TEST(PlotDescriptionTest, AStepAcrossAGapIsNotARamp) {
    const PlotDescription plot = DescribeRunPlot(LogOf({Device(
        std::nullopt, {0, 1, 2, 3, 18, 19, 20}, {{0x04, {15, 15, 15, 15, -20, -20, -20}}})}));
    ASSERT_EQ(plot.panels.size(), 1u);
    const PlotPanel& panel = plot.panels[0];
    ASSERT_EQ(panel.series.size(), 1u);
    const auto& segments = panel.series[0].segments;
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].size(), 4u);
    EXPECT_EQ(segments[1].size(), 3u);
    EXPECT_NEAR(segments[0].back().x, panel.area.left + panel.area.width * 3 / 20, 1e-9);
    EXPECT_NEAR(segments[1].front().x, panel.area.left + panel.area.width * 18 / 20, 1e-9);
    EXPECT_LT(segments[0].back().y, segments[1].front().y);  // +15 above -20
    for (const auto& segment : segments) {
        for (const PlotPoint& point : segment) {
            EXPECT_TRUE(Inside(panel.area, point)) << point.x << "," << point.y;
        }
    }
}

// A panel per quantity the log holds values of, in a fixed order; the legend names each with
// its unit, in its colour.
TEST(PlotDescriptionTest, APanelPerLoggedQuantityWithTheSecondChannels) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint16_t, Values>> columns;
        std::vector<std::string> panels;
    };
    const Values some = {1, 2};
    const Values none = {std::nullopt, std::nullopt};
    const Case cases[] = {
        {"all measurements",
         {{0x03, some},
          {0x04, some},
          {0x05, some},
          {0x06, some},
          {0x07, some},
          {0x08, some},
          {0x1E, some}},
         {"Voltage (V)", "Current (A)", "Remaining capacity (Ah)", "Temperature (℃)",
          "Second temperature (℃)", "Second voltage (V)"}},
        {"log order does not matter",
         {{0x1E, some}, {0x05, some}, {0x03, some}},
         {"Voltage (V)", "Temperature (℃)", "Second voltage (V)"}},
        {"a column without values draws nothing", {{0x03, some}, {0x06, none}}, {"Voltage (V)"}},
        {"nothing to draw", {{0x08, some}, {0x03, none}}, {}},
    };
    for (const Case& c : cases) {
        const PlotDescription plot =
            DescribeRunPlot(LogOf({Device(std::nullopt, {0, 1}, c.columns)}));
        EXPECT_EQ(PanelTitles(plot), c.panels) << c.name;
        EXPECT_EQ(LegendLabels(plot), c.panels) << c.name;
        for (std::size_t k = 0; k < plot.panels.size() && k < plot.legend.size(); ++k) {
            ASSERT_EQ(plot.panels[k].series.size(), 1u);
            EXPECT_EQ(plot.panels[k].series[0].colour, plot.legend[k].colour) << c.name;
        }
    }
}

// The title carries the run's absolute start in the log's own local time and offset.
TEST(PlotDescriptionTest, TheTitleShowsTheRunsStart) {
    const std::pair<std::string, std::string> cases[] = {
        {"2026-12-07T23:45:26.799+01:00", "started 2026-12-07 23:45:26 (UTC+01:00)"},
        {"2026-06-30T04:05:06-05:30", "started 2026-06-30 04:05:06 (UTC-05:30)"},
        {"2026-01-01T00:00:00.000Z", "started 2026-01-01 00:00:00 (UTC)"},
    };
    for (const auto& [stamp, title] : cases) {
        const PlotDescription plot =
            DescribeRunPlot(LogOf({Device(std::nullopt, {0}, {{0x03, {12}}})}, stamp));
        EXPECT_THAT(plot.title.text, HasSubstr(title));
    }
}

// A log of several meters: one line per meter in each panel, the same colour for a meter in
// every panel and in the legend, which names the devices.
TEST(PlotDescriptionTest, SeveralMetersDrawALinePerDeviceWithALegendByDevice) {
    const PlotDescription plot = DescribeRunPlot(
        LogOf({Device(1, {0, 1, 2}, {{0x03, {12.1, 12.2, 12.3}}, {0x04, {1, 2, 3}}}),
               Device(3, {0.5, 1.5, 2.5}, {{0x03, {24.0, 24.1, 24.2}}, {0x04, {-1, -2, -3}}})}));
    EXPECT_THAT(LegendLabels(plot), ElementsAre("Device 1", "Device 3"));
    EXPECT_THAT(PanelTitles(plot), ElementsAre("Voltage (V)", "Current (A)"));
    EXPECT_NE(plot.legend[0].colour, plot.legend[1].colour);
    for (const PlotPanel& panel : plot.panels) {
        ASSERT_EQ(panel.series.size(), 2u);
        EXPECT_EQ(panel.series[0].name, "Device 1");
        EXPECT_EQ(panel.series[1].name, "Device 3");
        for (std::size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(panel.series[k].colour, plot.legend[k].colour);
            ASSERT_EQ(panel.series[k].segments.size(), 1u);
            EXPECT_EQ(panel.series[k].segments[0].size(), 3u);
        }
    }
    // Both meters share the value axis: 12.1 V to 24.2 V.
    const PlotPanel& voltage = plot.panels[0];
    EXPECT_LE(std::stod(voltage.values.ticks.front().label.text), 12.1);
    EXPECT_GE(std::stod(voltage.values.ticks.back().label.text), 24.2);
}

// Many meters: the legend wraps within the picture and the panels move down below it.
TEST(PlotDescriptionTest, AWideLegendWrapsAboveThePanels) {
    std::vector<LoggedDevice> devices;
    for (int id = 1; id <= 24; ++id) {
        devices.push_back(Device(id, {0, 1}, {{0x03, {12, 13}}}));
    }
    const PlotDescription plot = DescribeRunPlot(LogOf(devices));
    ASSERT_EQ(plot.legend.size(), 24u);
    double lowest = 0;
    for (const PlotLegendEntry& entry : plot.legend) {
        EXPECT_GE(entry.lineStart.x, 0);
        EXPECT_LE(entry.label.anchor.x + 0.56 * 16 * entry.label.text.size(), plot.width);
        lowest = std::max(lowest, entry.label.anchor.y);
    }
    EXPECT_GT(lowest, plot.legend.front().label.anchor.y);
    EXPECT_GT(plot.panels[0].area.top, lowest);
    EXPECT_EQ(plot.height, plot.panels.back().area.Bottom() + 60);
}

// A day of readings every second: a line keeps, per pixel column, where it enters and leaves
// and its extremes, so a spike of one reading still shows.
TEST(PlotDescriptionTest, ALongRunKeepsTheExtremesOfEveryPixelColumn) {
    std::vector<double> seconds;
    Values current;
    for (int k = 0; k < 86400; ++k) {
        seconds.push_back(k);
        current.push_back(k == 50000 ? 40.0 : (k % 2 == 0 ? 15.0 : 14.0));
    }
    const PlotDescription plot =
        DescribeRunPlot(LogOf({Device(std::nullopt, seconds, {{0x04, current}})}));
    const PlotPanel& panel = plot.panels.at(0);
    const std::vector<PlotPoint>& line = panel.series.at(0).segments.at(0);
    EXPECT_LE(line.size(), 4 * static_cast<std::size_t>(panel.area.width + 1));
    EXPECT_GE(line.size(), static_cast<std::size_t>(panel.area.width));
    const auto [lowest, highest] = std::minmax_element(
        line.begin(), line.end(), [](PlotPoint a, PlotPoint b) { return a.y < b.y; });
    EXPECT_NEAR(highest->y, panel.area.Bottom() - panel.area.height * (14 - 10) / 30, 1e-6);
    EXPECT_NEAR(lowest->y, panel.area.Bottom() - panel.area.height * (40 - 10) / 30, 1e-6);
    EXPECT_NEAR(line.front().x, panel.area.left, 1e-6);
    EXPECT_NEAR(line.back().x, panel.area.Right(), 1e-6);
    EXPECT_TRUE(std::is_sorted(line.begin(), line.end(),
                               [](PlotPoint a, PlotPoint b) { return a.x < b.x; }));
}

// Ticks sit on round values inside the panel and cover every value; a tick at zero reads "0"
// however it was reached.
TEST(PlotDescriptionTest, TicksAreRoundAndCoverTheValues) {
    struct Case {
        Values values;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {{12.345, 12.737}, {"12.3", "12.4", "12.5", "12.6", "12.7", "12.8"}},
        {{15, -20.133}, {"-30", "-20", "-10", "0", "10", "20"}},
        {{-0.3, 0.1}, {"-0.3", "-0.2", "-0.1", "0.0", "0.1"}},
        {{5, 5}, {"4.4", "4.6", "4.8", "5.0", "5.2", "5.4", "5.6"}},
    };
    for (const Case& c : cases) {
        const PlotDescription plot =
            DescribeRunPlot(LogOf({Device(std::nullopt, {0, 1}, {{0x04, c.values}})}));
        ASSERT_EQ(plot.panels.size(), 1u);
        std::vector<std::string> labels;
        for (const PlotTick& tick : plot.panels[0].values.ticks) {
            labels.push_back(tick.label.text);
            EXPECT_GE(tick.position, plot.panels[0].area.top - 1e-9);
            EXPECT_LE(tick.position, plot.panels[0].area.Bottom() + 1e-9);
        }
        EXPECT_EQ(labels, c.labels);
    }
    // The time axis is labelled under the last panel only, in a unit that suits the run.
    const PlotDescription hours = DescribeRunPlot(
        LogOf({Device(std::nullopt, {0, 3600, 4 * 3600}, {{0x03, {1, 2, 3}}, {0x04, {1, 2, 3}}})}));
    EXPECT_EQ(hours.panels[0].time.title.text, "");
    EXPECT_EQ(hours.panels[0].time.ticks[1].label.text, "");
    EXPECT_EQ(hours.panels[1].time.title.text, "Time since the first reading (h)");
    EXPECT_EQ(hours.panels[1].time.ticks[1].label.text, "1");
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The SVG is written from the description: a polyline per segment, a dot for a lone reading,
// every text escaped.
TEST(PlotSvgTest, DrawsTheDescriptionAsText) {
    LoggedRun run =
        LogOf({Device(std::nullopt, {0, 1, 2, 10, 20, 21}, {{0x04, {15, 15, 15, 0, -20, -20}}})},
              "2026-12-07T23:45:26.799+01:00");
    run.devices[0].series[0].unit = "A<&>";
    const std::string svg = PlotSvg(DescribeRunPlot(run));
    EXPECT_THAT(svg, HasSubstr("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1200\""));
    EXPECT_EQ(Count(svg, "<polyline"), 2u);
    EXPECT_EQ(Count(svg, "<circle"), 1u);
    EXPECT_THAT(svg, HasSubstr("Current (A&lt;&amp;&gt;)"));
    EXPECT_THAT(svg, HasSubstr("2026-12-07 23:45:26 (UTC+01:00)"));
    EXPECT_THAT(svg, HasSubstr("rotate(-90 "));
    EXPECT_THAT(svg, testing::EndsWith("</svg>\n"));
}

// Whether the picture shows `colour` (give or take antialiasing) within `reach` pixels of a point.
bool ShowsColour(const PngPixels& picture, PlotPoint at, PlotColour colour, int reach) {
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const PlotColour pixel =
                picture.At(static_cast<int>(at.x) + dx, static_cast<int>(at.y) + dy);
            if (std::abs(pixel.red - colour.red) + std::abs(pixel.green - colour.green) +
                    std::abs(pixel.blue - colour.blue) <
                60) {
                return true;
            }
        }
    }
    return false;
}

// Whether a text was drawn: ink within a box around its anchor, on the side its alignment says.
bool ShowsText(const PngPixels& picture, const PlotText& text) {
    const int along = text.align == TextAlign::Start ? 0 : text.align == TextAlign::End ? -24 : -12;
    for (int a = along; a < along + 24; ++a) {
        for (int across = -4; across <= 4; ++across) {
            const double x = text.rotated ? text.anchor.x + across : text.anchor.x + a;
            const double y = text.rotated ? text.anchor.y - a : text.anchor.y + across;
            if (ShowsColour(picture, {x, y}, kPlotInk, 0)) {
                return true;
            }
        }
    }
    return false;
}

// The platform's painter draws the description: every line where it says, nothing across a
// gap, and the texts.
TEST(RunPlotTest, ThePainterDrawsTheDescription) {
    const PlotDescription plot =
        DescribeRunPlot(LogOf({Device(std::nullopt, {0, 1, 2, 3, 18, 19, 20},
                                      {{0x03, {12.3, 12.4, 12.3, 12.4, 12.7, 12.8, 12.7}},
                                       {0x04, {15, 15, 15, 15, -20, -20, -20}}})}));
    std::string png;
    std::string error;
    ASSERT_TRUE(EncodePlotPng(plot, png, error)) << error;
    const std::optional<PngPixels> picture = DecodePng(png);
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width, static_cast<int>(plot.width));
    ASSERT_EQ(picture->height, static_cast<int>(plot.height));
    EXPECT_TRUE(ShowsText(*picture, plot.title));
    for (const PlotLegendEntry& entry : plot.legend) {
        EXPECT_TRUE(ShowsColour(*picture, entry.lineStart, entry.colour, 2));
        EXPECT_TRUE(ShowsText(*picture, entry.label)) << entry.label.text;
    }
    for (const PlotPanel& panel : plot.panels) {
        EXPECT_TRUE(ShowsText(*picture, panel.values.title)) << panel.values.title.text;
        EXPECT_TRUE(ShowsText(*picture, panel.values.ticks.front().label));
        const PlotSeries& series = panel.series.at(0);
        ASSERT_EQ(series.segments.size(), 2u);
        for (const auto& segment : series.segments) {
            const PlotPoint middle = {(segment[0].x + segment[1].x) / 2,
                                      (segment[0].y + segment[1].y) / 2};
            EXPECT_TRUE(ShowsColour(*picture, middle, series.colour, 1)) << series.name;
        }
        const double gap = (series.segments[0].back().x + series.segments[1].front().x) / 2;
        for (double y = panel.area.top + 2; y < panel.area.Bottom() - 2; ++y) {
            EXPECT_FALSE(ShowsColour(*picture, {gap, y}, series.colour, 0)) << y;
        }
    }
    EXPECT_TRUE(ShowsText(*picture, plot.panels.back().time.title));
}

// Closes the file before it returns: Windows removes no open file.
std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

// PNG and SVG files are written by extension at the description's size; a picture that cannot
// be written, or a run with nothing to draw, is an error that says so.
TEST(RunPlotTest, WritesPngAndSvgFiles) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tavr-plot-test-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    const LoggedRun run =
        LogOf({Device(std::nullopt, {0, 1, 2, 30, 31},
                      {{0x03, {12.3, 12.4, 12.3, 12.7, 12.8}}, {0x04, {15, 15, 15, -20, -20}}})});
    const PlotDescription plot = DescribeRunPlot(run);
    std::string error;
    const std::string png = (folder / "run.png").string();
    ASSERT_TRUE(DrawRunPlot(run, png, error)) << error;
    const std::string bytes = FileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    const auto bigEndian = [&](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) |
               (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) |
               static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(bigEndian(16), static_cast<unsigned>(plot.width));
    EXPECT_EQ(bigEndian(20), static_cast<unsigned>(plot.height));

    const std::string svg = (folder / "run.svg").string();
    ASSERT_TRUE(DrawRunPlot(run, svg, error)) << error;
    EXPECT_EQ(FileBytes(svg), PlotSvg(plot));

    for (const std::string& path :
         {(folder / "missing" / "run.png").string(), (folder / "missing" / "run.svg").string()}) {
        error.clear();
        EXPECT_FALSE(DrawRunPlot(run, path, error)) << path;
        EXPECT_THAT(error, HasSubstr("cannot write " + path)) << path;
    }
    EXPECT_FALSE(DrawRunPlot(LogOf({Device(std::nullopt, {0}, {{0x08, {1}}})}), png, error));
    EXPECT_THAT(error, HasSubstr("holds no readings of 0003H"));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tavr
