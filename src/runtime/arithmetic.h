#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>

namespace tavr {

// `value` divided by each divisor in turn, keeping the remainder as `fmod` does: it has the sign
// of the dividend and is smaller than the divisor in magnitude. With no divisor the result is
// `value`. A divisor of 0 is a fatal program error: the error is shown and the process ends.
double Remainder(double value, std::span<const double> divisors);

template <std::convertible_to<double>... Divisors>
double Remainder(double value, Divisors... divisors) {
    const std::array<double, sizeof...(Divisors)> list{static_cast<double>(divisors)...};
    return Remainder(value, std::span<const double>(list));
}

// The whole number at or below `value` (toward minus infinity), except that a value within
// 1e-12 below the next whole number counts as that number: 255.99999999999997 gives 256.
// Values beyond the int32 range give the nearest int32 limit; not-a-number gives 0.
std::int32_t IntegerPart(double value);

}  // namespace tavr
