#include "runtime/number_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tavr {

namespace {

// Exponents get at least three digits, the way operators of this meter are used to reading them.
void WidenExponent(Text& text) {
    constexpr std::size_t kExponentDigits = 3;
    const std::size_t mark = text.find('e');
    if (mark == Text::npos) {
        return;
    }
    const std::size_t digits_start = mark + 2;  // behind "e" and the exponent's sign
    const std::size_t digits = text.size() - digits_start;
    if (digits < kExponentDigits) {
        text.insert(digits_start, kExponentDigits - digits, '0');
    }
}

Text GeneralNumberText(double value, int significant_digits) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0.0 ? "-inf" : "inf";
    }
    if (value == 0.0) {
        return "0";
    }
    std::array<char, 64> buffer{};
    const std::to_chars_result result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                      std::chars_format::general, significant_digits);
    Text text(buffer.data(), result.ptr);
    WidenExponent(text);
    return text;
}

}  // namespace

Text DoubleToText(double value) {
    return GeneralNumberText(value, 13);
}

Text FloatToText(float value) {
    return GeneralNumberText(value, 6);
}

}  // namespace tavr
