#pragma once

#include "runtime/types.h"

namespace tavr {

// A double as text with at most 13 significant digits, rounded to nearest: fixed notation when
// the decimal exponent is from -4 to 12, else exponent notation with at least three exponent
// digits ("1e-005", "1.5e+020"); no trailing fraction zeros, no "+" before the number. Zero is
// "0" whatever its sign; infinities are "inf" and "-inf", not-a-number is "nan". The text does
// not depend on the process's locale.
Text DoubleToText(double value);

// A float as text by the same rules with at most 6 significant digits.
Text FloatToText(float value);

}  // namespace tavr
