#pragma once

#include <cstdint>
#include <optional>

#include "runtime/types.h"

namespace tavr {

// `value` rounded half away from zero at decimal position `decimals` (negative positions round
// to tens, hundreds, ...). A nudge of 1e-12 makes decimal ties stored just below the half round
// up: 2.675 at 2 decimals gives 2.68. A position beyond a double's precision leaves the value
// as it is.
double RoundDecimal(double value, std::int32_t decimals);

// `value` as text: rounded at `decimals` when given, written like DoubleToText, and, when
// `decimals` is greater than 0, filled with zeros to at least that many decimals (12.5 at 2
// gives 12.50). With `thousands` given as true the whole digits are grouped by three with ","
// (12,345.68). Filling and grouping apply only to fixed notation, never to exponent notation
// or to "inf" and "nan".
Text FormatNumber(double value, std::optional<std::int32_t> decimals = std::nullopt,
                  std::optional<bool> thousands = std::nullopt);

}  // namespace tavr
