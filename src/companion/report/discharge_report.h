#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace tavr {

// One reading of a meter in a watch log: the time in seconds and the measurements it holds.
// The current is positive while discharging and negative while charging, as the meter shows it.
struct LoggedSample {
    double seconds = 0;
    double volts = 0;
    double amps = 0;
    std::optional<double> celsius;
    std::optional<double> remainingAh;
    std::optional<double> energyWh;  // the meter's own energy counter
    std::optional<double> percent;
};

struct Spread {
    double min = 0;
    double mean = 0;
    double max = 0;
};

// What a run of one meter shows.
struct DischargeReport {
    std::size_t readings = 0;
    double durationSeconds = 0;
    double medianPeriodSeconds = 0;
    // Intervals longer than kGapFactor × the median period (or going back in time), not bridged.
    std::size_t gaps = 0;
    double ahOut = 0;  // integrated from the current, discharging
    double ahIn = 0;   // charging
    double whOut = 0;  // from voltage × current
    double whIn = 0;
    Spread volts;
    Spread amps;
    std::optional<Spread> celsius;
    std::optional<double> remainingAhStart, remainingAhEnd;
    std::optional<double> percentStart, percentEnd;
    // The change of the meter's own counters from the first reading to the last.
    std::optional<double> meterAhChange, meterWhChange;
};

// An interval longer than this many median periods is a gap in the log: nothing is known of the
// current in it, so it adds no charge or energy.
inline constexpr double kGapFactor = 3.0;

// The report of `samples`, in time order; at least one.
DischargeReport ReportRun(const std::vector<LoggedSample>& samples);

}  // namespace tavr
