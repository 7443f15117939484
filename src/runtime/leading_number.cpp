#include "runtime/leading_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace tavr {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipSpaces(std::string_view text, std::size_t position) {
    while (position < text.size() && IsSpace(text[position])) {
        ++position;
    }
    return position;
}

std::size_t SkipDigits(std::string_view text, std::size_t position) {
    while (position < text.size() && IsDigit(text[position])) {
        ++position;
    }
    return position;
}

// Reads an optional sign at `position`; true for "-".
bool ReadSign(std::string_view text, std::size_t& position) {
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        return text[position++] == '-';
    }
    return false;
}

// The parts of a decimal number text: [integer digits][.fraction digits][exponent].
struct DecimalNumber {
    std::string_view integer_digits;
    std::string_view fraction_digits;
    std::string_view exponent_digits;
    bool negative_exponent = false;
    std::string_view whole;
};

// Reads the unsigned decimal number at `start`; its `whole` is empty when no digit is there.
DecimalNumber ReadDecimalNumber(std::string_view text, std::size_t start) {
    DecimalNumber number;
    std::size_t position = SkipDigits(text, start);
    number.integer_digits = text.substr(start, position - start);
    if (position < text.size() && text[position] == '.') {
        const std::size_t fraction_start = position + 1;
        position = SkipDigits(text, fraction_start);
        number.fraction_digits = text.substr(fraction_start, position - fraction_start);
    }
    if (number.integer_digits.empty() && number.fraction_digits.empty()) {
        return DecimalNumber{};
    }
    if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
        std::size_t exponent_start = position + 1;
        const bool negative_exponent = ReadSign(text, exponent_start);
        const std::size_t exponent_end = SkipDigits(text, exponent_start);
        // An "e" without digits after it is not part of the number.
        if (exponent_end > exponent_start) {
            number.exponent_digits = text.substr(exponent_start, exponent_end - exponent_start);
            number.negative_exponent = negative_exponent;
            position = exponent_end;
        }
    }
    number.whole = text.substr(start, position - start);
    return number;
}

// The decimal order of magnitude of a nonzero number, limited far beyond any double's range.
std::int64_t DecimalOrder(const DecimalNumber& number) {
    constexpr std::int64_t kFarBeyond = 1'000'000;
    std::int64_t exponent = 0;
    for (const char digit : number.exponent_digits) {
        exponent = std::min(exponent * 10 + (digit - '0'), kFarBeyond);
    }
    if (number.negative_exponent) {
        exponent = -exponent;
    }
    const std::size_t first_integer = number.integer_digits.find_first_not_of('0');
    if (first_integer != std::string_view::npos) {
        const auto digits = static_cast<std::int64_t>(
            std::min<std::size_t>(number.integer_digits.size() - first_integer, kFarBeyond));
        return exponent + digits - 1;
    }
    const auto leading_zeros = static_cast<std::int64_t>(
        std::min<std::size_t>(number.fraction_digits.find_first_not_of('0'), kFarBeyond));
    return exponent - leading_zeros - 1;
}

}  // namespace

std::int32_t LeadingInteger(std::string_view text) {
    // One beyond the largest magnitude, so that the negative limit is still reached.
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::size_t position = SkipSpaces(text, 0);
    const bool negative = ReadSign(text, position);
    std::int64_t magnitude = 0;
    for (; position < text.size() && IsDigit(text[position]); ++position) {
        magnitude = std::min(magnitude * 10 + (text[position] - '0'), kBeyond);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, kBeyond - 1));
}

double LeadingNumber(std::string_view text) {
    std::size_t position = SkipSpaces(text, 0);
    const bool negative = ReadSign(text, position);
    const DecimalNumber number = ReadDecimalNumber(text, position);
    if (number.whole.empty()) {
        return 0.0;
    }
    double magnitude = 0.0;
    const std::from_chars_result result =
        std::from_chars(number.whole.data(), number.whole.data() + number.whole.size(), magnitude,
                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        magnitude = DecimalOrder(number) > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace tavr
