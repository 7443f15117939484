#include "companion/report/discharge_report.h"

#include <algorithm>
#include <cstdint>

#include "companion/log/reading_gaps.h"

namespace tavr {

namespace {

constexpr double kSecondsPerHour = 3600.0;

// The area under a straight line from y0 to y1 over dt, split into its part above zero and its
// part below (as a positive number), cut where the line crosses zero.
struct SplitArea {
    double above = 0;
    double below = 0;
};

SplitArea Trapezoid(double y0, double y1, double dt) {
    if ((y0 >= 0) == (y1 >= 0)) {
        const double area = (y0 + y1) / 2 * dt;
        return area >= 0 ? SplitArea{area, 0} : SplitArea{0, -area};
    }
    const double crossing = y0 / (y0 - y1) * dt;
    const double first = y0 * crossing / 2;
    const double second = y1 * (dt - crossing) / 2;
    return y0 > 0 ? SplitArea{first, -second} : SplitArea{second, -first};
}

using Values = std::vector<std::optional<double>>;

constexpr std::uint16_t kVoltage = 0x03;
constexpr std::uint16_t kCurrent = 0x04;
constexpr std::uint16_t kTemperature = 0x05;
constexpr std::uint16_t kRemaining = 0x07;
constexpr std::uint16_t kEnergy = 0x08;
constexpr std::uint16_t kPercent = 0x0B;

// A register's values, one per row; all empty when the log has no such column.
Values ValuesOf(const LoggedDevice& device, std::uint16_t address) {
    const LoggedSeries* series = device.Find(address);
    return series != nullptr ? series->values : Values(device.seconds.size());
}

// Voltage × current where both were read.
Values Power(const Values& volts, const Values& amps) {
    Values power(volts.size());
    for (std::size_t k = 0; k < volts.size(); ++k) {
        if (volts[k] && amps[k]) {
            power[k] = *volts[k] * *amps[k];
        }
    }
    return power;
}

// The area under `values` within its unbroken stretches, in hours: above zero and below it.
SplitArea Integral(const std::vector<double>& seconds, const Values& values,
                   const std::vector<Stretch>& stretches) {
    SplitArea total;
    for (const Stretch& stretch : stretches) {
        for (std::size_t k = stretch.first + 1; k <= stretch.last; ++k) {
            const SplitArea area =
                Trapezoid(*values[k - 1], *values[k], seconds[k] - seconds[k - 1]);
            total.above += area.above / kSecondsPerHour;
            total.below += area.below / kSecondsPerHour;
        }
    }
    return total;
}

std::optional<Spread> SpreadOf(const Values& values) {
    std::optional<Spread> spread;
    double sum = 0;
    std::size_t count = 0;
    for (const std::optional<double>& value : values) {
        if (!value) {
            continue;
        }
        if (!spread) {
            spread = Spread{*value, 0, *value};
        }
        spread->min = std::min(spread->min, *value);
        spread->max = std::max(spread->max, *value);
        sum += *value;
        ++count;
    }
    if (spread) {
        spread->mean = sum / static_cast<double>(count);
    }
    return spread;
}

std::optional<double> First(const Values& values) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [](const std::optional<double>& value) { return value; });
    return found != values.end() ? *found : std::nullopt;
}

std::optional<double> Last(const Values& values) {
    const auto found = std::find_if(values.rbegin(), values.rend(),
                                    [](const std::optional<double>& value) { return value; });
    return found != values.rend() ? *found : std::nullopt;
}

std::optional<double> Change(const Values& values) {
    const std::optional<double> first = First(values);
    const std::optional<double> last = Last(values);
    if (!first || !last) {
        return std::nullopt;
    }
    return *last - *first;
}

}  // namespace

DischargeReport ReportRun(const LoggedDevice& device) {
    const std::vector<double>& seconds = device.seconds;
    const Values volts = ValuesOf(device, kVoltage);
    const Values amps = ValuesOf(device, kCurrent);
    DischargeReport report;
    report.readings = seconds.size();
    report.durationSeconds = seconds.back() - seconds.front();
    report.medianPeriodSeconds = MedianPeriod(seconds);
    const std::vector<Stretch> currentStretches = UnbrokenStretches(seconds, amps);
    report.gaps = currentStretches.empty() ? 0 : currentStretches.size() - 1;
    const SplitArea charge = Integral(seconds, amps, currentStretches);
    report.ahOut = charge.above;
    report.ahIn = charge.below;
    const Values power = Power(volts, amps);
    const SplitArea energy = Integral(seconds, power, UnbrokenStretches(seconds, power));
    report.whOut = energy.above;
    report.whIn = energy.below;
    report.volts = SpreadOf(volts);
    report.amps = SpreadOf(amps);
    report.celsius = SpreadOf(ValuesOf(device, kTemperature));
    const Values remaining = ValuesOf(device, kRemaining);
    const Values percent = ValuesOf(device, kPercent);
    report.remainingAhStart = First(remaining);
    report.remainingAhEnd = Last(remaining);
    report.percentStart = First(percent);
    report.percentEnd = Last(percent);
    report.meterAhChange = Change(remaining);
    report.meterWhChange = Change(ValuesOf(device, kEnergy));
    return report;
}

}  // namespace tavr
