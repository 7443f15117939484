#pragma once

#include <cstdint>
#include <string_view>

namespace tavr {

// The whole number that starts `text`: white space skipped (space, tab, line feed, vertical tab,
// form feed, carriage return), an optional sign, then decimal digits up to the first other
// character. 0 when no digit follows. A number beyond the int32 range gives the nearest int32
// limit.
std::int32_t LeadingInteger(std::string_view text);

// The decimal number that starts `text`: white space skipped as above, an optional sign, digits
// with an optional decimal point "." and an optional exponent ("e" or "E", optional sign,
// digits), up to the first other character. 0 when no number starts the text; "inf", "nan" and
// hexadecimal forms are not numbers here. A number too large for a double gives an infinity of
// its sign, one too small gives 0. The result does not depend on the process's locale.
double LeadingNumber(std::string_view text);

}  // namespace tavr
