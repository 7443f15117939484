#include "companion/report/discharge_report.h"

#include <algorithm>
#include <functional>

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

double Median(std::vector<double> values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                     values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) {
        return upper;
    }
    return (upper + *std::max_element(values.begin(),
                                      values.begin() + static_cast<std::ptrdiff_t>(middle))) /
           2;
}

template <typename Get>
std::optional<Spread> SpreadOf(const std::vector<LoggedSample>& samples, Get get) {
    std::optional<Spread> spread;
    double sum = 0;
    std::size_t count = 0;
    for (const LoggedSample& sample : samples) {
        const std::optional<double> value = get(sample);
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

template <typename Get>
std::optional<double> Change(const std::vector<LoggedSample>& samples, Get get) {
    const std::optional<double> first = get(samples.front());
    const std::optional<double> last = get(samples.back());
    if (!first || !last) {
        return std::nullopt;
    }
    return *last - *first;
}

}  // namespace

DischargeReport ReportRun(const std::vector<LoggedSample>& samples) {
    DischargeReport report;
    report.readings = samples.size();
    report.durationSeconds = samples.back().seconds - samples.front().seconds;
    std::vector<double> periods;
    for (std::size_t k = 1; k < samples.size(); ++k) {
        if (samples[k].seconds > samples[k - 1].seconds) {
            periods.push_back(samples[k].seconds - samples[k - 1].seconds);
        }
    }
    if (!periods.empty()) {
        report.medianPeriodSeconds = Median(periods);
    }
    for (std::size_t k = 1; k < samples.size(); ++k) {
        const LoggedSample& a = samples[k - 1];
        const LoggedSample& b = samples[k];
        const double dt = b.seconds - a.seconds;
        if (dt <= 0 || dt > kGapFactor * report.medianPeriodSeconds) {
            ++report.gaps;
            continue;
        }
        const SplitArea charge = Trapezoid(a.amps, b.amps, dt);
        report.ahOut += charge.above / kSecondsPerHour;
        report.ahIn += charge.below / kSecondsPerHour;
        const SplitArea energy = Trapezoid(a.volts * a.amps, b.volts * b.amps, dt);
        report.whOut += energy.above / kSecondsPerHour;
        report.whIn += energy.below / kSecondsPerHour;
    }
    report.volts = *SpreadOf(samples, [](const LoggedSample& s) { return std::optional(s.volts); });
    report.amps = *SpreadOf(samples, [](const LoggedSample& s) { return std::optional(s.amps); });
    report.celsius = SpreadOf(samples, [](const LoggedSample& s) { return s.celsius; });
    report.remainingAhStart = samples.front().remainingAh;
    report.remainingAhEnd = samples.back().remainingAh;
    report.percentStart = samples.front().percent;
    report.percentEnd = samples.back().percent;
    report.meterAhChange = Change(samples, [](const LoggedSample& s) { return s.remainingAh; });
    report.meterWhChange = Change(samples, [](const LoggedSample& s) { return s.energyWh; });
    return report;
}

}  // namespace tavr
