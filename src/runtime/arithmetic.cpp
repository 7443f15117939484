#include "runtime/arithmetic.h"

#include <cmath>

#include "runtime/fatal_error.h"
#include "runtime/saturating_int32.h"

namespace tavr {

double Remainder(double value, std::span<const double> divisors) {
    double remainder = value;
    for (const double divisor : divisors) {
        if (divisor == 0.0) {
            RaiseFatalError("不能求余数于零");
        }
        remainder = std::fmod(remainder, divisor);
    }
    return remainder;
}

std::int32_t IntegerPart(double value) {
    // A fraction this close to 1 is representation noise of a whole number.
    constexpr double kAlmostOne = 0.999999999999;
    const double whole = std::trunc(value);
    const double fraction = value - whole;
    if (std::fabs(fraction) > kAlmostOne) {
        return SaturatingInt32(value > 0.0 ? whole + 1.0 : whole - 1.0);
    }
    return SaturatingInt32(std::floor(value));
}

}  // namespace tavr
