#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "companion/log/logged_run.h"

namespace tavr {

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
    // Where the current's readings break (see UnbrokenStretches): nothing is known of the current
    // across a gap, so it adds no charge or energy.
    std::size_t gaps = 0;
    double ahOut = 0;  // integrated from the current, discharging
    double ahIn = 0;   // charging
    double whOut = 0;  // from voltage × current, where both were read
    double whIn = 0;
    std::optional<Spread> volts;  // nothing when no row holds the quantity
    std::optional<Spread> amps;
    std::optional<Spread> celsius;
    // The first and last value the log holds of each.
    std::optional<double> remainingAhStart, remainingAhEnd;
    std::optional<double> percentStart, percentEnd;
    // The change of the meter's own counters from their first value to their last.
    std::optional<double> meterAhChange, meterWhChange;
};

// The report of one meter's rows of a watch log, with at least one row. The current is positive
// while discharging and negative while charging, as the meter shows it.
DischargeReport ReportRun(const LoggedDevice& device);

}  // namespace tavr
