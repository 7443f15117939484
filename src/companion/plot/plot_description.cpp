#include "companion/plot/plot_description.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "companion/log/reading_gaps.h"

namespace tavr {

namespace {

constexpr double kWidth = 1200;
constexpr double kLeftMargin = 90;
constexpr double kRightMargin = 30;
constexpr double kBottomMargin = 60;
constexpr double kTitleY = 22;
constexpr double kTitleSize = 18;
constexpr double kLegendY = 54;
constexpr double kLegendRowHeight = 26;
constexpr double kLegendSize = 16;
constexpr double kLegendLine = 30;
constexpr double kLegendLabelOffset = 38;
constexpr double kLegendSpacing = 36;
// Painters measure no text for the layout, so that all of them place it alike: a label is taken
// to be this many of its font sizes wide per character, a little more than the sans-serif fonts'
// average.
constexpr double kCharacterWidth = 0.56;
constexpr double kLegendToPanels = 40;
constexpr double kPanelHeight = 170;
constexpr double kPanelGap = 18;
constexpr double kTickSize = 13;
constexpr double kTickLabelGap = 8;
constexpr double kAxisTitleX = 16;
constexpr double kTimeLabelsBelow = 12;
constexpr double kTimeTitleBelow = 36;
constexpr int kTicksWanted = 5;

struct Quantity {
    std::uint16_t address;
    const char* name;
    PlotColour colour;
};

// The quantities drawn, in panel order.
constexpr Quantity kQuantities[] = {
    {0x03, "Voltage", {0x1f, 0x77, 0xb4}},
    {0x04, "Current", {0xd6, 0x27, 0x28}},
    {0x07, "Remaining capacity", {0x2c, 0xa0, 0x2c}},
    {0x05, "Temperature", {0xff, 0x7f, 0x0e}},
    {0x06, "Second temperature", {0x94, 0x67, 0xbd}},
    {0x1E, "Second voltage", {0x8c, 0x56, 0x4b}},
};

// The meters' colours in a log of several, in the order of their IDs, repeated past the tenth.
constexpr PlotColour kDeviceColours[] = {
    {0x1f, 0x77, 0xb4}, {0xd6, 0x27, 0x28}, {0x2c, 0xa0, 0x2c}, {0xff, 0x7f, 0x0e},
    {0x94, 0x67, 0xbd}, {0x8c, 0x56, 0x4b}, {0xe3, 0x77, 0xc2}, {0x7f, 0x7f, 0x7f},
    {0xbc, 0xbd, 0x22}, {0x17, 0xbe, 0xcf},
};

// Numbers are written without the C locale's help: the process may have a decimal comma.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

double EstimatedWidth(const std::string& text, double size) {
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return kCharacterWidth * size * static_cast<double>(characters);
}

// "2026-12-07T23:45:26.799+01:00" → "2026-12-07 23:45:26 (UTC+01:00)".
std::string StartText(const std::string& stamp) {
    if (stamp.size() < 19) {
        return stamp;
    }
    std::string zone = stamp.substr(19);
    if (!zone.empty() && zone[0] == '.') {
        zone.erase(0, zone.find_first_not_of("0123456789", 1));
    }
    zone = zone == "Z" || zone.empty() ? "UTC" : "UTC" + zone;
    return stamp.substr(0, 10) + " " + stamp.substr(11, 8) + " (" + zone + ")";
}

// Round tick steps: 1, 2 or 5 times a power of ten, giving about kTicksWanted ticks.
double TickStep(double span) {
    const double raw = span / kTicksWanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10 * power;
}

std::string TickLabel(double value, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    // A tick at zero reached by adding steps may come out as -0.0000001: it reads "0".
    return Fixed(std::abs(value) < step * 1e-6 ? 0.0 : value, decimals);
}

struct Range {
    double low = 0;
    double high = 1;
};

// Ticks from `low` to `high` in round steps: the range widened to whole steps, and the steps.
struct Scale {
    double low = 0;
    double high = 1;
    double step = 1;
    int steps = 1;
};

Scale RoundScale(Range range) {
    if (range.high - range.low < 1e-9) {
        range.low -= 0.5;
        range.high += 0.5;
    }
    const double step = TickStep(range.high - range.low);
    const double low = std::floor(range.low / step + 1e-9) * step;
    const double high = std::ceil(range.high / step - 1e-9) * step;
    return {low, high, step, std::max(1, static_cast<int>(std::lround((high - low) / step)))};
}

std::optional<Range> ValueRange(const LoggedRun& run, std::uint16_t address) {
    std::optional<Range> range;
    for (const LoggedDevice& device : run.devices) {
        const LoggedSeries* series = device.Find(address);
        for (std::size_t k = 0; series != nullptr && k < series->values.size(); ++k) {
            if (const std::optional<double>& value = series->values[k]) {
                range = range ? Range{std::min(range->low, *value), std::max(range->high, *value)}
                              : Range{*value, *value};
            }
        }
    }
    return range;
}

// Seconds, minutes or hours, whichever keeps the time axis' numbers readable.
struct TimeUnit {
    double seconds;
    const char* name;
};

TimeUnit TimeUnitFor(double span) {
    if (span > 3 * 3600) {
        return {3600, "h"};
    }
    if (span > 3 * 60) {
        return {60, "min"};
    }
    return {1, "s"};
}

// The time axis, shared by all panels: from the earliest reading over at least one second.
struct TimeAxis {
    double start = 0;
    double span = 1;
    TimeUnit unit{1, "s"};
};

TimeAxis TimeAxisOf(const LoggedRun& run) {
    std::optional<Range> range;
    for (const LoggedDevice& device : run.devices) {
        for (const double t : device.seconds) {
            range = range ? Range{std::min(range->low, t), std::max(range->high, t)} : Range{t, t};
        }
    }
    const Range times = range.value_or(Range{0, 0});
    const double span = std::max(times.high - times.low, 1.0);
    return {times.low, span, TimeUnitFor(span)};
}

std::string AxisTitle(const Quantity& quantity, const std::string& unit) {
    return unit.empty() ? quantity.name : std::string(quantity.name) + " (" + unit + ")";
}

std::string DeviceName(const LoggedDevice& device) {
    return device.id ? "Device " + std::to_string(*device.id) : "Meter";
}

PlotColour DeviceColour(std::size_t index) {
    return kDeviceColours[index % std::size(kDeviceColours)];
}

// A long run has many readings per pixel column. Of the points in one column a line shows only
// where it enters, its lowest and highest point and where it leaves; the others are dropped, so
// that painting and the SVG stay small and the picture is the same.
std::vector<PlotPoint> ThinnedToPixelColumns(const std::vector<PlotPoint>& points) {
    std::vector<PlotPoint> kept;
    for (std::size_t first = 0; first < points.size();) {
        const double column = std::floor(points[first].x);
        std::size_t end = first;
        std::size_t lowest = first;
        std::size_t highest = first;
        for (; end < points.size() && std::floor(points[end].x) == column; ++end) {
            lowest = points[end].y < points[lowest].y ? end : lowest;
            highest = points[end].y > points[highest].y ? end : highest;
        }
        const std::size_t chosen[] = {first, std::min(lowest, highest), std::max(lowest, highest),
                                      end - 1};
        for (std::size_t k = 0; k < std::size(chosen); ++k) {
            if (k == 0 || chosen[k] != chosen[k - 1]) {
                kept.push_back(points[chosen[k]]);
            }
        }
        first = end;
    }
    return kept;
}

class PlotLayout {
  public:
    PlotLayout(const LoggedRun& run, std::vector<const Quantity*> quantities)
        : run_(run), quantities_(std::move(quantities)), time_(TimeAxisOf(run)) {
        plot_.width = kWidth;
        plot_.title = {"Logged run, started " + StartText(run.start),
                       {kLeftMargin, kTitleY},
                       TextAlign::Start,
                       kTitleSize};
    }

    PlotDescription Describe() {
        LayOutLegend();
        const double panelsTop = plot_.legend.back().label.anchor.y + kLegendToPanels;
        for (std::size_t k = 0; k < quantities_.size(); ++k) {
            const PlotRect area{kLeftMargin,
                                panelsTop + static_cast<double>(k) * (kPanelHeight + kPanelGap),
                                kWidth - kLeftMargin - kRightMargin, kPanelHeight};
            plot_.panels.push_back(
                DescribePanel(*quantities_[k], area, k + 1 == quantities_.size()));
        }
        plot_.height = plot_.panels.back().area.Bottom() + kBottomMargin;
        return plot_;
    }

  private:
    bool SeveralDevices() const { return run_.devices.size() > 1; }

    std::string Unit(const Quantity& quantity) const {
        const LoggedSeries* series = run_.devices.front().Find(quantity.address);
        return series != nullptr ? series->unit : "";
    }

    // Entries left to right, wrapping onto a further row at the right margin.
    void LayOutLegend() {
        std::vector<std::pair<std::string, PlotColour>> entries;
        if (SeveralDevices()) {
            for (std::size_t k = 0; k < run_.devices.size(); ++k) {
                entries.emplace_back(DeviceName(run_.devices[k]), DeviceColour(k));
            }
        } else {
            for (const Quantity* quantity : quantities_) {
                entries.emplace_back(AxisTitle(*quantity, Unit(*quantity)), quantity->colour);
            }
        }
        double x = kLeftMargin;
        double y = kLegendY;
        for (const auto& [label, colour] : entries) {
            const double advance = kLegendLabelOffset + EstimatedWidth(label, kLegendSize);
            if (x > kLeftMargin && x + advance > kWidth - kRightMargin) {
                x = kLeftMargin;
                y += kLegendRowHeight;
            }
            plot_.legend.push_back(
                {{x, y},
                 {x + kLegendLine, y},
                 colour,
                 {label, {x + kLegendLabelOffset, y}, TextAlign::Start, kLegendSize}});
            x += advance + kLegendSpacing;
        }
    }

    double X(const PlotRect& area, double seconds) const {
        return area.left + area.width * (seconds - time_.start) / time_.span;
    }

    PlotPanel DescribePanel(const Quantity& quantity, const PlotRect& area, bool timeLabels) {
        PlotPanel panel;
        panel.area = area;
        const Scale scale = RoundScale(ValueRange(run_, quantity.address).value_or(Range{0, 1}));
        const auto y = [&](double value) {
            return area.Bottom() - area.height * (value - scale.low) / (scale.high - scale.low);
        };
        panel.values.title = {AxisTitle(quantity, Unit(quantity)),
                              {kAxisTitleX, area.top + area.height / 2},
                              TextAlign::Centre,
                              kTickSize,
                              true};
        for (int k = 0; k <= scale.steps; ++k) {
            const double value = scale.low + k * scale.step;
            panel.values.ticks.push_back({y(value),
                                          {TickLabel(value, scale.step),
                                           {area.left - kTickLabelGap, y(value)},
                                           TextAlign::End,
                                           kTickSize}});
        }
        DescribeTimeAxis(panel, timeLabels);
        for (std::size_t k = 0; k < run_.devices.size(); ++k) {
            const LoggedDevice& device = run_.devices[k];
            const LoggedSeries* series = device.Find(quantity.address);
            if (series == nullptr) {
                continue;
            }
            PlotSeries line{
                DeviceName(device), SeveralDevices() ? DeviceColour(k) : quantity.colour, {}};
            for (const Stretch& stretch : UnbrokenStretches(device.seconds, series->values)) {
                std::vector<PlotPoint> segment;
                for (std::size_t row = stretch.first; row <= stretch.last; ++row) {
                    segment.push_back({X(area, device.seconds[row]), y(*series->values[row])});
                }
                line.segments.push_back(ThinnedToPixelColumns(segment));
            }
            panel.series.push_back(std::move(line));
        }
        return panel;
    }

    void DescribeTimeAxis(PlotPanel& panel, bool labelled) const {
        const PlotRect& area = panel.area;
        const double step = TickStep(time_.span / time_.unit.seconds) * time_.unit.seconds;
        const double first = std::ceil(time_.start / step - 1e-9) * step;
        for (double t = first; t <= time_.start + time_.span + step * 1e-6; t += step) {
            PlotText label{
                labelled ? TickLabel(t / time_.unit.seconds, step / time_.unit.seconds) : "",
                {X(area, t), area.Bottom() + kTimeLabelsBelow},
                TextAlign::Centre,
                kTickSize};
            panel.time.ticks.push_back({X(area, t), std::move(label)});
        }
        if (labelled) {
            panel.time.title = {
                std::string("Time since the first reading (") + time_.unit.name + ")",
                {area.left + area.width / 2, area.Bottom() + kTimeTitleBelow},
                TextAlign::Centre,
                kTickSize};
        }
    }

    const LoggedRun& run_;
    std::vector<const Quantity*> quantities_;
    TimeAxis time_;
    PlotDescription plot_;
};

}  // namespace

PlotDescription DescribeRunPlot(const LoggedRun& run) {
    std::vector<const Quantity*> quantities;
    for (const Quantity& quantity : kQuantities) {
        if (ValueRange(run, quantity.address)) {
            quantities.push_back(&quantity);
        }
    }
    if (quantities.empty()) {
        return {};
    }
    return PlotLayout(run, std::move(quantities)).Describe();
}

}  // namespace tavr
