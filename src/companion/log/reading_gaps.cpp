#include "companion/log/reading_gaps.h"

#include <algorithm>

namespace tavr {

double MedianPeriod(const std::vector<double>& seconds) {
    std::vector<double> periods;
    for (std::size_t k = 1; k < seconds.size(); ++k) {
        if (seconds[k] > seconds[k - 1]) {
            periods.push_back(seconds[k] - seconds[k - 1]);
        }
    }
    if (periods.empty()) {
        return 0;
    }
    const auto middle = periods.begin() + static_cast<std::ptrdiff_t>(periods.size() / 2);
    std::nth_element(periods.begin(), middle, periods.end());
    if (periods.size() % 2 == 1) {
        return *middle;
    }
    // nth_element leaves the lower half in front of the middle: its largest is the other middle.
    return (*middle + *std::max_element(periods.begin(), middle)) / 2;
}

std::vector<Stretch> UnbrokenStretches(const std::vector<double>& seconds,
                                       const std::vector<std::optional<double>>& values) {
    const double longestStep = kGapPeriods * MedianPeriod(seconds);
    std::vector<Stretch> stretches;
    std::optional<std::size_t> previous;
    for (std::size_t k = 0; k < seconds.size() && k < values.size(); ++k) {
        if (!values[k]) {
            previous.reset();
            continue;
        }
        const bool joined = previous && seconds[k] >= seconds[*previous] &&
                            seconds[k] - seconds[*previous] <= longestStep;
        if (joined) {
            stretches.back().last = k;
        } else {
            stretches.push_back({k, k});
        }
        previous = k;
    }
    return stretches;
}

}  // namespace tavr
