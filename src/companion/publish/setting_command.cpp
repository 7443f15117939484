#include "companion/publish/setting_command.h"

#include <algorithm>
#include <string_view>

namespace tavr {

namespace {

// More whole digits than this stand for more than any register holds, at any decimals.
constexpr std::size_t kMostWholeDigits = 5;

// A plain decimal number split into its parts: sign, whole digits, fraction digits.
struct DecimalText {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
};

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

// "[+-]DIGITS[.DIGITS]" and nothing else; nothing for any other text.
std::optional<DecimalText> SplitDecimal(std::string_view text) {
    DecimalText number;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        number.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    number.whole = text.substr(0, point);
    if (point != std::string_view::npos) {
        number.fraction = text.substr(point + 1);
        if (!IsDigits(number.fraction)) {
            return std::nullopt;
        }
    }
    if (!IsDigits(number.whole)) {
        return std::nullopt;
    }
    number.fraction.remove_suffix(number.fraction.size() -
                                  (number.fraction.find_last_not_of('0') + 1));
    number.whole.remove_prefix(std::min(number.whole.find_first_not_of('0'), number.whole.size()));
    return number;
}

// The number's digits as a whole number after moving the point `decimals` places to the right;
// the fraction has at most that many digits, the whole part at most kMostWholeDigits.
std::uint64_t ShiftedDigits(const DecimalText& number, int decimals) {
    std::uint64_t raw = 0;
    for (const char digit : number.whole) {
        raw = raw * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    for (std::size_t place = 0; place < static_cast<std::size_t>(decimals); ++place) {
        const char digit = place < number.fraction.size() ? number.fraction[place] : '0';
        raw = raw * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    return raw;
}

CheckedSettingCommand Refused(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

}  // namespace

CheckedSettingCommand CheckSettingCommand(const SettingCommand& command,
                                          const std::vector<std::uint16_t>& allowed,
                                          const RegisterCatalogue& catalogue) {
    if (command.retained) {
        return Refused(
            "a retained command is ignored: it would be carried out again at every reconnection");
    }
    const WritableSetting* setting = FindWritableSetting(command.key);
    if (setting == nullptr) {
        return Refused("no setting that can be written has this key");
    }
    if (std::find(allowed.begin(), allowed.end(), setting->address) == allowed.end()) {
        return Refused(std::string("not allowed to be written: publish must be given "
                                   "--allow-write ") +
                       setting->key);
    }
    const std::optional<SettingScale> scale = ScaleOf(setting->address, catalogue);
    if (!scale) {
        return Refused("the register list gives this setting no decimals or no maximum");
    }
    const std::optional<DecimalText> number = SplitDecimal(Trimmed(command.payload));
    if (!number) {
        return Refused("not a plain decimal number such as 120 or 120.5");
    }
    if (number->fraction.size() > static_cast<std::size_t>(scale->decimals)) {
        return Refused(scale->decimals == 0
                           ? std::string("the setting takes whole numbers only")
                           : "more decimals than the setting's " + std::to_string(scale->decimals));
    }
    const bool zero = number->whole.empty() && number->fraction.empty();
    if (number->negative && !zero) {
        return Refused("below the minimum 0");
    }
    const std::string aboveMaximum = "above the maximum " + scale->ValueWithUnit(scale->maximumRaw);
    if (number->whole.size() > kMostWholeDigits) {
        return Refused(aboveMaximum);
    }
    const std::uint64_t raw = ShiftedDigits(*number, scale->decimals);
    if (raw > scale->maximumRaw) {
        return Refused(aboveMaximum);
    }
    return {SettingWrite{setting->key, setting->address, static_cast<std::uint16_t>(raw), *scale},
            ""};
}

}  // namespace tavr
