#include "runtime/format_number.h"

#include <algorithm>
#include <cmath>

#include "runtime/number_text.h"

namespace tavr {

namespace {

// Lifts ties stored just below the half over it.
constexpr double kTieNudge = 1e-12;

// Beyond this many decimals there is nothing left to round or to fill: a double holds fewer
// digits, and fixed notation never shows more than 16 of them after the point.
constexpr std::int32_t kMaxDecimalPosition = 400;

// Zero filling stops here so that an absurd count cannot exhaust memory.
constexpr std::int32_t kMaxFilledDecimals = 100;

// The whole number nearest to `magnitude` (not negative), ties away from zero.
double RoundHalfUp(double magnitude) {
    double whole = 0.0;
    const double fraction = std::modf(magnitude + kTieNudge, &whole);
    return fraction >= 0.5 ? whole + 1.0 : whole;
}

double RoundMagnitude(double magnitude, std::int32_t decimals) {
    if (decimals == 0) {
        return RoundHalfUp(magnitude);
    }
    const double scale = std::pow(10.0, std::abs(decimals));
    if (decimals > 0) {
        const double scaled = magnitude * scale;
        // At this position the value has no fraction left to round.
        if (!std::isfinite(scaled)) {
            return magnitude;
        }
        return RoundHalfUp(scaled) / scale;
    }
    const double units = RoundHalfUp(magnitude / scale);
    return units == 0.0 ? 0.0 : units * scale;
}

// Fixed notation: an optional "-", then digits with at most one ".".
bool IsFixedNotation(const Text& text) {
    const std::size_t start = !text.empty() && text.front() == '-' ? 1 : 0;
    const auto digits = std::count_if(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
    const auto points = std::count(text.begin(), text.end(), '.');
    return digits > 0 && points <= 1 &&
           static_cast<std::size_t>(digits + points) + start == text.size();
}

void FillDecimals(Text& text, std::int32_t decimals) {
    const auto wanted = static_cast<std::size_t>(std::min(decimals, kMaxFilledDecimals));
    std::size_t point = text.find('.');
    if (point == Text::npos) {
        point = text.size();
        text += '.';
    }
    const std::size_t present = text.size() - point - 1;
    if (present < wanted) {
        text.append(wanted - present, '0');
    }
}

void GroupThousands(Text& text) {
    const std::size_t first_digit = !text.empty() && text.front() == '-' ? 1 : 0;
    std::size_t group_end = std::min(text.find('.'), text.size());
    while (group_end - first_digit > 3) {
        group_end -= 3;
        text.insert(group_end, 1, ',');
    }
}

}  // namespace

double RoundDecimal(double value, std::int32_t decimals) {
    if (value == 0.0) {
        return value;
    }
    const std::int32_t position = std::clamp(decimals, -kMaxDecimalPosition, kMaxDecimalPosition);
    return std::copysign(RoundMagnitude(std::fabs(value), position), value);
}

Text FormatNumber(double value, std::optional<std::int32_t> decimals,
                  std::optional<bool> thousands) {
    if (decimals) {
        value = RoundDecimal(value, *decimals);
    }
    Text text = DoubleToText(value);
    if (!IsFixedNotation(text)) {
        return text;
    }
    if (decimals && *decimals > 0) {
        FillDecimals(text, *decimals);
    }
    if (thousands.value_or(false)) {
        GroupThousands(text);
    }
    return text;
}

}  // namespace tavr
