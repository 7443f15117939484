#pragma once

#include <vector>

namespace tavr {

// How a set of measurements lies: its extremes, mean, sample standard deviation and coefficient
// of variation (standard deviation over mean).
struct Spread {
    double min = 0;
    double max = 0;
    double mean = 0;
    double stddev = 0;
    double cv = 0;
};

// The middle value, or the mean of the two middle values of an even count; 0 for no samples.
double Median(std::vector<double> samples);

// The nearest-rank percentile: the smallest sample that at least `percent` per cent of the
// samples do not exceed (p99 of 1000 samples is the 990th smallest). 0 for no samples.
double Percentile(std::vector<double> samples, double percent);

// All zero for no samples; the deviation is 0 for a single one.
Spread SpreadOf(const std::vector<double>& samples);

}  // namespace tavr
