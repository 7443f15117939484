#include "support/sample_statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tavr {

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    const std::size_t middle = samples.size() / 2;
    std::nth_element(samples.begin(), samples.begin() + middle, samples.end());
    const double upper = samples[middle];
    if (samples.size() % 2 != 0) {
        return upper;
    }
    const double lower = *std::max_element(samples.begin(), samples.begin() + middle);
    return (lower + upper) / 2;
}

double Percentile(std::vector<double> samples, double percent) {
    if (samples.empty()) {
        return 0;
    }
    const double count = static_cast<double>(samples.size());
    const double rank = std::ceil(std::clamp(percent, 0.0, 100.0) / 100.0 * count);
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    std::nth_element(samples.begin(), samples.begin() + index, samples.end());
    return samples[index];
}

Spread SpreadOf(const std::vector<double>& samples) {
    Spread spread;
    if (samples.empty()) {
        return spread;
    }
    const auto [min, max] = std::minmax_element(samples.begin(), samples.end());
    spread.min = *min;
    spread.max = *max;
    const double count = static_cast<double>(samples.size());
    spread.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / count;
    if (samples.size() > 1) {
        double squares = 0;
        for (double sample : samples) {
            squares += (sample - spread.mean) * (sample - spread.mean);
        }
        spread.stddev = std::sqrt(squares / (count - 1));
    }
    spread.cv = spread.mean != 0 ? spread.stddev / spread.mean : 0;
    return spread;
}

}  // namespace tavr
