// Feeds every text conversion with what the input holds: texts to read as numbers, numbers to
// write as texts, texts to split and to narrow. Besides running clean under the sanitizers, each
// result must keep the rules that the register table and the settings rely on.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "runtime/format_number.h"
#include "runtime/full_width.h"
#include "runtime/split_text.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"

namespace tavr {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The C library's reading of a whole number, limited to the int32 range. The C library stops at
// a zero byte, which is no digit for ToInteger either.
std::int32_t ReferenceInteger(const std::string& narrow) {
    const long long value = std::strtoll(narrow.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// True when the C library would read more than a plain decimal number from `narrow`
// ("inf", "nan", hexadecimal), forms that ToNumber leaves alone.
bool HasNonDecimalForm(const std::string& narrow) {
    std::size_t position = 0;
    while (position < narrow.size() && IsSpace(narrow[position])) {
        ++position;
    }
    if (position < narrow.size() && (narrow[position] == '+' || narrow[position] == '-')) {
        ++position;
    }
    const std::string_view rest = std::string_view(narrow).substr(position);
    return rest.starts_with('i') || rest.starts_with('I') || rest.starts_with('n') ||
           rest.starts_with('N') || rest.starts_with("0x") || rest.starts_with("0X");
}

// Reading a text as a number agrees with the C library after full-width forms are narrowed.
void CheckReadNumber(std::string_view text) {
    const std::string narrow = NarrowFullWidth(text);
    Require(ToInteger(text) == ReferenceInteger(narrow), "ToInteger reads like strtol");
    if (HasNonDecimalForm(narrow)) {
        return;
    }
    const double expected = std::strtod(narrow.c_str(), nullptr);
    const double number = ToNumber(text);
    const bool bothTiny = std::fabs(expected) < DBL_MIN && std::fabs(number) < DBL_MIN;
    Require(number == expected || bothTiny, "ToNumber reads like strtod");
}

void CheckIntegerRoundTrip(std::int32_t value) {
    const Text text = ToText(value);
    Require(ToInteger(text) == value, "ToInteger(ToText(int32)) gives the int32 back");
    Require(ToText(Value{value}) == text, "an int32 value writes like the int32");
}

// Significant digits of a number text: the digits of its mantissa without leading zeros.
int SignificantDigits(std::string_view text) {
    const std::string_view mantissa = text.substr(0, text.find('e'));
    int digits = 0;
    for (const char c : mantissa) {
        if (IsDigit(c) && (digits > 0 || c != '0')) {
            ++digits;
        }
    }
    return digits;
}

void CheckNumberTextForm(std::string_view text, int maximumDigits) {
    if (text == "nan" || text == "inf" || text == "-inf" || text == "0") {
        return;
    }
    Require(SignificantDigits(text) <= maximumDigits, "at most the given significant digits");
    const std::size_t mark = text.find('e');
    const std::string_view mantissa = text.substr(0, mark);
    if (mantissa.find('.') != std::string_view::npos) {
        Require(!mantissa.ends_with('0') && !mantissa.ends_with('.'),
                "no trailing zeros or point in a fraction");
    }
    if (mark != std::string_view::npos) {
        const std::string_view exponent = text.substr(mark + 1);
        Require(exponent.size() >= 4 && (exponent[0] == '+' || exponent[0] == '-'),
                "an exponent has a sign and at least three digits");
    }
}

// A normal number written with so many significant digits reads back within half a unit in the
// last of them.
void CheckReadsBack(double value, const Text& text, double relativeError) {
    if (!std::isnormal(value)) {
        return;
    }
    const double back = ToNumber(text);
    Require(std::fabs(back - value) <= relativeError * std::fabs(value),
            "a number text reads back");
}

void CheckDoubleText(double value) {
    const Text text = ToText(value);
    Require(ToText(Value{value}) == text, "a double value writes like the double");
    if (std::isnan(value)) {
        Require(text == "nan", "not-a-number writes as nan");
        return;
    }
    if (value == 0.0) {
        Require(text == "0", "zero writes as 0");
        return;
    }
    CheckNumberTextForm(text, 13);
    CheckReadsBack(value, text, 5.000001e-13);

    const auto single = static_cast<float>(value);
    const Text singleText = ToText(single);
    CheckNumberTextForm(singleText, 6);
    CheckReadsBack(single, singleText, 5.000001e-6);
}

std::optional<std::int32_t> ReadDecimals(FuzzInput& input) {
    switch (input.Byte() % 4) {
        case 0:
            return std::nullopt;
        case 1:
        case 2:
            // The positions the logic uses and a few beyond them on both sides.
            return static_cast<std::int32_t>(input.Byte() % 32) - 8;
        default:
            return input.Int32();
    }
}

std::optional<bool> ReadFlag(FuzzInput& input) {
    const std::uint8_t choice = input.Byte() % 3;
    return choice == 0 ? std::nullopt : std::optional<bool>(choice == 1);
}

bool IsFixedNotation(std::string_view text) {
    return !text.empty() && IsDigit(text.back()) &&
           text.find_first_not_of("-0123456789.,") == std::string_view::npos;
}

// The whole digits are grouped by three from the point leftwards, the first group 1 to 3 long.
void CheckGrouping(std::string_view grouped) {
    if (grouped.starts_with('-')) {
        grouped.remove_prefix(1);
    }
    const std::string_view whole = grouped.substr(0, grouped.find('.'));
    Require(grouped.substr(whole.size()).find(',') == std::string_view::npos,
            "no separator among the decimals");
    std::size_t groupEnd = whole.size();
    while (groupEnd > 3) {
        Require(whole[groupEnd - 4] == ',', "a separator before every group of three digits");
        groupEnd -= 4;
    }
    Require(whole.substr(0, groupEnd).find(',') == std::string_view::npos,
            "the first group is 1 to 3 digits");
}

void CheckFormatNumber(double value, std::optional<std::int32_t> decimals,
                       std::optional<bool> thousands) {
    const Text text = FormatNumber(value, decimals, thousands);
    const Text plain = FormatNumber(value, decimals, false);
    Require(FormatNumber(value, decimals) == plain, "no thousands flag is false");
    if (!decimals) {
        Require(plain == ToText(value), "without decimals a number formats like ToText");
    }
    if (thousands.value_or(false)) {
        Text ungrouped = text;
        std::erase(ungrouped, ',');
        Require(ungrouped == plain, "grouping only inserts separators");
        if (IsFixedNotation(text)) {
            CheckGrouping(text);
        }
    } else {
        Require(text == plain, "ungrouped text has no separators");
    }
    if (!decimals || !IsFixedNotation(plain)) {
        return;
    }
    const std::size_t point = plain.find('.');
    if (*decimals <= 0) {
        Require(point == Text::npos, "no decimals shown at or before the units position");
        return;
    }
    if (*decimals <= 100) {
        Require(
            point != Text::npos && plain.size() - point - 1 == static_cast<std::size_t>(*decimals),
            "exactly the asked decimals in fixed notation");
    }
    // Where 13 significant digits hold every asked decimal, the result is the nearest value at
    // that position.
    if (*decimals <= 12 && std::isfinite(value) &&
        std::fabs(value) < std::pow(10.0, 13 - *decimals)) {
        const double unit = std::pow(10.0, -*decimals);
        const double error = std::fabs(ToNumber(plain) - value);
        Require(error <= unit * (0.5 + 1e-9) + 1e-15 * std::fabs(value),
                "rounding goes to the nearest value at the asked position");
    }
}

// `digits` plus one in the last place, as decimal text of the same length or one longer.
Text IncrementDigits(Text digits) {
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
        if (*digit != '9') {
            ++*digit;
            return digits;
        }
        *digit = '0';
    }
    return "1" + digits;
}

// A plain decimal text ("-12.345") rounded at `decimals` half away from zero, digit by digit.
Text RoundDecimalText(bool negative, std::string_view whole, std::string_view fraction,
                      std::int32_t decimals) {
    const auto kept = std::min(fraction.size(), static_cast<std::size_t>(decimals));
    Text digits = Text(whole) + Text(fraction.substr(0, kept));
    if (kept < fraction.size() && fraction[kept] >= '5') {
        digits = IncrementDigits(std::move(digits));
    }
    digits.insert(digits.size() - kept, ".");
    return (negative ? "-" : "") + digits;
}

// Where the value is small enough for the tie nudge to lift every decimal tie stored just below
// the half, rounding a typed decimal text gives what rounding its digits gives: 2.675 at 2
// decimals is 2.68, 0.5 at 0 is 1, -1.005 at 2 is -1.01.
void CheckDecimalRounding(std::string_view text, std::int32_t decimals) {
    const bool negative = text.starts_with('-');
    const std::string_view number = text.substr(negative ? 1 : 0);
    const std::size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
    const auto allDigits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), IsDigit);
    };
    if (whole.empty() || !allDigits(whole) || !allDigits(fraction) ||
        (point != std::string_view::npos && fraction.empty())) {
        return;
    }
    const double value = ToNumber(text);
    const bool nudgeSuffices = whole.size() + fraction.size() <= 12 && decimals >= 0 &&
                               fraction.size() <= static_cast<std::size_t>(decimals) + 10 &&
                               std::fabs(value) * std::pow(10.0, decimals) < 1000.0;
    if (!nudgeSuffices) {
        return;
    }
    const double expected = ToNumber(RoundDecimalText(negative, whole, fraction, decimals));
    Require(ToNumber(FormatNumber(value, decimals)) == expected,
            "a typed decimal rounds half away from zero");
}

// Splitting never loses text: the pieces joined by the delimiter give the text back, but for a
// trailing delimiter; a maximum only cuts the list short.
void CheckSplit(std::string_view text, std::optional<std::string_view> delimiter,
                std::optional<std::int32_t> maximum) {
    const std::string_view separator = delimiter.value_or(",");
    const TextArray all = SplitText(text, delimiter);
    if (!delimiter) {
        Require(all == SplitText(text, ","), "the delimiter defaults to a comma");
    }
    if (text.empty()) {
        Require(all.empty(), "an empty text has no pieces");
    } else if (separator.empty()) {
        Require(all == TextArray{Text(text)}, "an empty delimiter keeps the text whole");
    } else {
        Text joined;
        for (std::size_t index = 0; index < all.size(); ++index) {
            joined += (index == 0 ? "" : Text(separator)) + all[index];
        }
        Require(joined == text || joined + Text(separator) == text, "the pieces rebuild the text");
        Require(all.empty() || !all.back().empty() || joined + Text(separator) == text,
                "only a trailing delimiter drops an empty piece");
        // A delimiter that starts with a byte beginning a character is found wherever it stands.
        const auto first = static_cast<unsigned char>(separator.front());
        if ((first & 0xC0U) != 0x80U) {
            for (const Text& piece : all) {
                Require(piece.find(separator) == Text::npos, "no piece holds the delimiter");
            }
        }
    }
    if (maximum) {
        const TextArray limited = SplitText(text, delimiter, maximum);
        const std::size_t count = *maximum <= 0 ? 0 : static_cast<std::size_t>(*maximum);
        Require(limited.size() == std::min(count, all.size()) &&
                    std::equal(limited.begin(), limited.end(), all.begin()),
                "a maximum keeps the first pieces");
    }
}

bool HoldsSequence(std::string_view text, std::string_view bytes) {
    return text.find(bytes) != std::string_view::npos;
}

// No form an operator may type in full width survives narrowing, and nothing grows.
void CheckNarrow(std::string_view text) {
    const Text narrow = NarrowFullWidth(text);
    Require(narrow.size() <= text.size(), "narrowing never lengthens a text");
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        Require(narrow == text, "an ASCII text is left as it is");
    }
    for (unsigned second = 0x81; second <= 0xBF; ++second) {
        const char form[] = {'\xEF', '\xBC', static_cast<char>(second), '\0'};
        Require(!HoldsSequence(narrow, form), "no full-width form U+FF01..U+FF3F survives");
    }
    for (unsigned second = 0x80; second <= 0x9E; ++second) {
        const char form[] = {'\xEF', '\xBD', static_cast<char>(second), '\0'};
        Require(!HoldsSequence(narrow, form), "no full-width form U+FF40..U+FF5E survives");
    }
    for (const std::string_view form :
         {"\xE3\x80\x80", "\xEF\xBF\xA5", "\xEF\xBF\xA3", "\xE2\x98\x85", "\xE2\x98\x86"}) {
        Require(!HoldsSequence(narrow, form), "no full-width space, yen, macron or star survives");
    }
}

// A value of every kind the services take, and what ToText, ToNumber and ToInteger make of it.
Value ReadValue(FuzzInput& input) {
    switch (input.Byte() % 9) {
        case 0:
            return input.Byte();
        case 1:
            return static_cast<std::int16_t>(input.Uint16());
        case 2:
            return static_cast<std::int64_t>(
                static_cast<std::uint64_t>(static_cast<std::uint32_t>(input.Int32())) << 32U |
                static_cast<std::uint32_t>(input.Int32()));
        case 3:
            return static_cast<float>(input.Double());
        case 4:
            return Boolean{input.Int32()};
        case 5:
            return DateTime{input.Double()};
        case 6: {
            const std::string_view bytes = input.Chars(32);
            return ByteSet(bytes.begin(), bytes.end());
        }
        case 7: {
            Int32Array numbers(input.Byte() % 8);
            for (std::int32_t& number : numbers) {
                number = input.Int32();
            }
            return numbers;
        }
        default:
            return std::monostate{};
    }
}

void CheckValue(const Value& value) {
    const Text text = ToText(value);
    Require(text.find('\0') == Text::npos, "a value's text stops before a zero byte");
    const double number = ToNumber(value);
    const std::int32_t integer = ToInteger(value);
    if (std::holds_alternative<float>(value) && std::isfinite(number) &&
        std::fabs(number) < 2147483647.0) {
        Require(integer == static_cast<std::int32_t>(std::trunc(number)),
                "a float in range is truncated toward zero");
    }
}

void RunOne(FuzzInput& input) {
    switch (input.Byte() % 8) {
        case 0:
            CheckReadNumber(input.Chars(64));
            break;
        case 1:
            CheckIntegerRoundTrip(input.Int32());
            break;
        case 2:
            CheckDoubleText(input.Double());
            break;
        case 3: {
            const double value = input.Double();
            const std::optional<std::int32_t> decimals = ReadDecimals(input);
            CheckFormatNumber(value, decimals, ReadFlag(input));
            break;
        }
        case 4: {
            // The value from a text, so that decimal ties come up often.
            const std::string_view text = input.Chars(24);
            const std::optional<std::int32_t> decimals = ReadDecimals(input);
            CheckFormatNumber(ToNumber(text), decimals, ReadFlag(input));
            if (decimals) {
                CheckDecimalRounding(text, *decimals);
            }
            break;
        }
        case 5: {
            const bool given = input.Byte() % 4 != 0;
            const std::string_view delimiter = input.Chars(4);
            std::optional<std::int32_t> maximum;
            if (input.Byte() % 2 == 0) {
                maximum = static_cast<std::int8_t>(input.Byte());
            }
            CheckSplit(input.Chars(255), given ? std::optional(delimiter) : std::nullopt, maximum);
            break;
        }
        case 6:
            CheckNarrow(input.Chars(255));
            break;
        default:
            CheckValue(ReadValue(input));
            break;
    }
}

}  // namespace
}  // namespace tavr

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavr::FuzzInput input(data, size);
    while (!input.Empty()) {
        tavr::RunOne(input);
    }
    return 0;
}
