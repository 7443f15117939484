#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "companion/log/logged_run.h"

namespace tavr {

// A logged run's picture, laid out in pixels with its origin at the top left, for a painter to
// draw as it stands: every painter (PNG on each platform, SVG) draws the same picture from it.

struct PlotPoint {
    double x = 0;
    double y = 0;
};

struct PlotRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
};

struct PlotColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const PlotColour&) const = default;
};

enum class TextAlign { Start, Centre, End };

// One line of text, vertically centred on its anchor; `rotated` texts run upwards, turned a
// quarter turn about the anchor. An empty text draws nothing.
struct PlotText {
    std::string text;
    PlotPoint anchor;
    TextAlign align = TextAlign::Start;
    double size = 13;  // pixels
    bool rotated = false;
};

// A grid line across the panel at `position` (y for the value axis, x for the time axis) with
// its number beside the axis.
struct PlotTick {
    double position = 0;
    PlotText label;
};

struct PlotAxis {
    PlotText title;  // the quantity and its unit, or the time and its unit
    std::vector<PlotTick> ticks;
};

// One meter's line of one quantity, broken where readings are missing. A segment of one point is
// drawn as a dot.
struct PlotSeries {
    std::string name;
    PlotColour colour;
    std::vector<std::vector<PlotPoint>> segments;
};

struct PlotPanel {
    PlotRect area;
    PlotAxis values;
    PlotAxis time;
    std::vector<PlotSeries> series;
};

// A short line in the series' colour followed by its label.
struct PlotLegendEntry {
    PlotPoint lineStart;
    PlotPoint lineEnd;
    PlotColour colour;
    PlotText label;
};

struct PlotDescription {
    double width = 0;
    double height = 0;
    PlotText title;
    std::vector<PlotLegendEntry> legend;
    std::vector<PlotPanel> panels;  // empty when the run holds nothing to draw
};

// How every painter draws the description's parts.
inline constexpr PlotColour kPlotBackground{0xff, 0xff, 0xff};
inline constexpr PlotColour kPlotInk{0x00, 0x00, 0x00};  // texts and panel frames
inline constexpr PlotColour kPlotGrid{0xdd, 0xdd, 0xdd};
inline constexpr double kFrameWidth = 1;
inline constexpr double kGridWidth = 1;
inline constexpr double kSeriesWidth = 2;
inline constexpr double kLegendLineWidth = 3;
inline constexpr double kDotRadius = 2.5;
// A painter strokes a line in pieces of this many points (each piece's last is the next one's
// first). A stroked line is filled as one shape, in time that grows with its crossings: a noisy
// day-long line takes seconds whole and a fraction of a second in short pieces.
inline constexpr std::size_t kPointsPerStroke = 32;

// The picture of a logged run: a panel per quantity the log holds (voltage, current, remaining
// capacity, temperature, second temperature, second voltage) over the time since the first
// reading, under a title with the run's start and a legend. A log of one meter colours each
// quantity; a log of several draws one line per meter in each panel, coloured and named by
// device.
PlotDescription DescribeRunPlot(const LoggedRun& run);

}  // namespace tavr
