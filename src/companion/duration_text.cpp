#include "companion/duration_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace tavr {

namespace {

constexpr double MillisecondsPerDay = 86'400'000.0;
// Durations beyond this (about 30 years) are not meant.
constexpr double LongestMilliseconds = 1e12;

// A plain decimal number (digits with at most one point, no sign, no exponent).
std::optional<double> ParsePlainNumber(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos ||
        text.find('.') != text.rfind('.') || text == ".") {
        return std::nullopt;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

std::optional<std::chrono::milliseconds> ToMilliseconds(double milliseconds, double limit) {
    const double rounded = std::round(milliseconds);
    if (rounded < 1 || rounded > limit) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<std::int64_t>(rounded));
}

}  // namespace

std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text) {
    const std::optional<double> seconds = ParsePlainNumber(text);
    if (!seconds) {
        return std::nullopt;
    }
    return ToMilliseconds(*seconds * 1000, MillisecondsPerDay);
}

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text) {
    double unit = 1000;
    if (!text.empty()) {
        switch (text.back()) {
            case 's':
                text.remove_suffix(1);
                break;
            case 'm':
                unit = 60'000;
                text.remove_suffix(1);
                break;
            case 'h':
                unit = 3'600'000;
                text.remove_suffix(1);
                break;
            case 'd':
                unit = MillisecondsPerDay;
                text.remove_suffix(1);
                break;
            default:
                break;
        }
    }
    const std::optional<double> count = ParsePlainNumber(text);
    if (!count) {
        return std::nullopt;
    }
    return ToMilliseconds(*count * unit, LongestMilliseconds);
}

}  // namespace tavr
