#include "companion/cli/duration_text.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace tavr {

namespace {

constexpr double kMillisecondsPerDay = 86'400'000.0;
constexpr double kLongestDurationDays = 10'000;

struct Unit {
    char letter;
    double milliseconds;
};

// Largest first: the order a duration's parts are written in.
constexpr std::array<Unit, 4> kUnits = {
    {{'d', kMillisecondsPerDay}, {'h', 3'600'000.0}, {'m', 60'000.0}, {'s', 1000.0}}};

// A plain decimal number (digits with at most one point, no sign, no exponent).
std::optional<double> ParsePlainNumber(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos ||
        text.find('.') != text.rfind('.') || text == ".") {
        return std::nullopt;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

// The duration's parts added up in milliseconds; nothing when the text is not a duration.
std::optional<double> SumOfParts(std::string_view text) {
    if (const std::optional<double> seconds = ParsePlainNumber(text)) {
        return *seconds * 1000;
    }
    double total = 0;
    std::size_t nextUnit = 0;
    while (!text.empty()) {
        const std::size_t letter = text.find_first_not_of("0123456789.");
        if (letter == std::string_view::npos || letter == 0) {
            return std::nullopt;
        }
        std::size_t unit = nextUnit;
        while (unit < kUnits.size() && kUnits[unit].letter != text[letter]) {
            ++unit;
        }
        const std::optional<double> count = ParsePlainNumber(text.substr(0, letter));
        if (unit == kUnits.size() || !count) {
            return std::nullopt;
        }
        total += *count * kUnits[unit].milliseconds;
        nextUnit = unit + 1;
        text.remove_prefix(letter + 1);
    }
    return total;
}

// A period of `total` milliseconds, within a poll period's limits.
std::optional<std::chrono::milliseconds> PeriodWithinLimits(double total, std::string& problem) {
    const double milliseconds = std::round(total);
    if (milliseconds < 1) {
        problem = "is shorter than the shortest period, 0.001 s";
        return std::nullopt;
    }
    if (milliseconds > kMillisecondsPerDay) {
        problem = "is longer than the longest period, 86400 s (a day)";
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds));
}

}  // namespace

std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text, std::string& problem) {
    const std::optional<double> seconds = ParsePlainNumber(text);
    if (!seconds || *seconds == 0) {
        problem = "is not a number of seconds above 0";
        return std::nullopt;
    }
    return PeriodWithinLimits(*seconds * 1000, problem);
}

std::optional<std::chrono::milliseconds> ParsePeriod(std::string_view text, std::string& problem) {
    const std::optional<double> total = SumOfParts(text);
    if (!total || *total == 0) {
        problem = "is not a period such as 1, 0.5s or 2m";
        return std::nullopt;
    }
    return PeriodWithinLimits(*total, problem);
}

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text,
                                                       std::string& problem) {
    const std::optional<double> total = SumOfParts(text);
    if (!total) {
        problem = "is not a duration such as 90, 90s, 10m, 1m30s or 2h";
        return std::nullopt;
    }
    const double milliseconds = std::round(*total);
    if (milliseconds < 1) {
        problem = "is not a duration above 0";
        return std::nullopt;
    }
    if (milliseconds > kLongestDurationDays * kMillisecondsPerDay) {
        problem = "is longer than the longest duration, 10000 days";
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds));
}

}  // namespace tavr
