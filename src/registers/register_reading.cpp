#include "registers/register_reading.h"

#include "runtime/format_number.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"

#include <string_view>

namespace tavr {

namespace {

// Registers with a display rule of their own.
constexpr int kDecimalFlags = 0x02;
constexpr int kVoltage = 0x03;
constexpr int kCurrent = 0x04;
constexpr int kTemperature = 0x05;
constexpr int kSecondTemperature = 0x06;
constexpr int kOutOfRangeTime = 0x14;
constexpr int kBacklightTime = 0x15;
constexpr int kShunt = 0x18;
constexpr int kCurrentZeroOffset = 0x19;
constexpr int kLineLossCompensation = 0x1A;
constexpr int kSecondVoltage = 0x1E;

// A temperature raw value above this has its top bit set: the value is negative.
constexpr std::int32_t kTemperatureSignLimit = 4095;
constexpr std::int32_t kTemperatureSignBit = 4096;
// The zero offset is stored with 100 added, so that it can be negative.
constexpr std::int32_t kZeroOffsetBias = 100;
// A current flag above this marks a negative current; the decimals are what lies above it.
constexpr std::int32_t kCurrentSignFlag = 16;

// Cell texts are formatted into fixed buffers: a reply fills 35 rows, and apart from the
// remarks every text fits a string's own storage, so decoding allocates only for the remarks.
constexpr char kHexDigits[] = "0123456789ABCDEF";

// The raw value as five digits with leading zeros ("00042"); a register holds at most 65535.
Text ZeroPadded(std::uint16_t raw) {
    char digits[5];
    std::uint32_t rest = raw;
    for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    return Text(digits, sizeof digits);
}

// The high and low byte as "0xHH 0xLL", upper-case and two digits each.
Text HexBytesText(std::uint16_t raw) {
    const char text[] = {'0', 'x', kHexDigits[raw >> 12],        kHexDigits[(raw >> 8) & 0xF], ' ',
                         '0', 'x', kHexDigits[(raw >> 4) & 0xF], kHexDigits[raw & 0xF]};
    return Text(text, sizeof text);
}

// The address as "0x00HH"; the registers end at 0022H.
Text AddressText(int address) {
    const char text[] = {
        '0', 'x', '0', '0', kHexDigits[(address >> 4) & 0xF], kHexDigits[address & 0xF]};
    return Text(text, sizeof text);
}

const Text& EntryText(const TextArray& list, int address) {
    static const Text none;
    return static_cast<std::size_t>(address) < list.size() ? list[static_cast<std::size_t>(address)]
                                                           : none;
}

// The whole number that a text of plain decimal digits spells; nothing for any other text.
std::optional<std::int64_t> PlainDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > 9) {
        return std::nullopt;
    }
    std::int64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

// `number` / 10^places written with exactly `places` decimals ("12.50" for 1250 at 2), as
// FormatNumber writes that quotient at that many decimals, without going through a double.
Text ScaledDigits(std::int64_t number, std::int32_t places) {
    char text[24];
    char* end = text + sizeof text;
    char* begin = end;
    for (std::int32_t place = 0; place < places; ++place) {
        *--begin = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    *--begin = '.';
    do {
        *--begin = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    return Text(begin, end);
}

// The shown digits of a register (five digits, or what its rule made of them), the sign or
// label put before them, and the number the digits stand for before any decimals apply.
struct ShownValue {
    std::string_view prefix;
    double magnitude = 0;
    // The digits when the register's rule rewrote them; otherwise the five raw digits show.
    std::optional<Text> rewritten;
};

ShownValue ApplyRegisterRule(int address, std::int32_t n, const ReadReply& reply,
                             RegisterCatalogue& catalogue) {
    // Register 0002H: its high byte carries the decimals of the two voltages, its low byte the
    // sign and decimals of the current.
    const std::int32_t voltageFlags = reply.values[kDecimalFlags] >> 8;
    const std::int32_t currentFlags = reply.values[kDecimalFlags] & 0xFF;
    switch (address) {
        case kVoltage:
            catalogue.SetDecimals(kVoltage, ToText(voltageFlags % 16));
            return {"", static_cast<double>(n), std::nullopt};
        case kSecondVoltage:
            catalogue.SetDecimals(kSecondVoltage, ToText(voltageFlags / 16));
            return {"", static_cast<double>(n), std::nullopt};
        case kCurrent:
            if (currentFlags >= kCurrentSignFlag) {
                catalogue.SetDecimals(kCurrent, ToText(currentFlags - kCurrentSignFlag));
                return {"-", static_cast<double>(n), std::nullopt};
            }
            catalogue.SetDecimals(kCurrent, ToText(currentFlags));
            return {"", static_cast<double>(n), std::nullopt};
        case kTemperature:
        case kSecondTemperature:
            if (n > kTemperatureSignLimit) {
                return {"-", static_cast<double>(n - kTemperatureSignBit),
                        ToText(n - kTemperatureSignBit)};
            }
            return {"+", static_cast<double>(n), std::nullopt};
        case kOutOfRangeTime:
        case kBacklightTime:
            // Shown as minutes and seconds; the number is the seconds.
            return {"", static_cast<double>(n), ToText(n / 60) + "分" + ToText(n % 60)};
        case kShunt:
            return {"75mV", static_cast<double>(n), std::nullopt};
        case kCurrentZeroOffset:
            if (n > kZeroOffsetBias) {
                return {"+", static_cast<double>(n - kZeroOffsetBias), ToText(n - kZeroOffsetBias)};
            }
            return {"-", static_cast<double>(n), std::nullopt};
        case kLineLossCompensation:
            return {"1A+", static_cast<double>(n), std::nullopt};
        default:
            return {"", static_cast<double>(n), std::nullopt};
    }
}

// The value column and its number: the digits scaled by the register's decimals ("0" to "3");
// any other decimals text leaves the cell empty and gives no number.
void ShowValue(const ShownValue& shown, const Text& decimals, RegisterReading& reading) {
    const double sign = shown.prefix == "-" ? -1.0 : 1.0;
    const std::string_view digits = shown.rewritten ? *shown.rewritten : reading.texts.decimal;
    if (decimals == "0") {
        reading.texts.value.reserve(shown.prefix.size() + digits.size() + reading.unit.size());
        reading.texts.value.append(shown.prefix).append(digits).append(reading.unit);
        reading.number = sign * shown.magnitude;
        return;
    }
    static constexpr struct {
        const char* decimals;
        double divisor;
        std::int32_t places;
    } scales[] = {{"1", 10.0, 1}, {"2", 100.0, 2}, {"3", 1000.0, 3}};
    for (const auto& scale : scales) {
        if (decimals == scale.decimals) {
            const std::optional<std::int64_t> plain = PlainDigits(digits);
            const Text scaled = plain
                                    ? ScaledDigits(*plain, scale.places)
                                    : FormatNumber(ToInteger(digits) / scale.divisor, scale.places);
            reading.texts.value.reserve(shown.prefix.size() + scaled.size() + reading.unit.size());
            reading.texts.value.append(shown.prefix).append(scaled).append(reading.unit);
            reading.number = sign * shown.magnitude / scale.divisor;
            return;
        }
    }
}

// Decodes into `reading`, fresh from its default state, so no reading is built and moved.
void DecodeRegister(const ReadReply& reply, int address, RegisterCatalogue& catalogue,
                    RegisterReading& reading) {
    const std::uint16_t raw = reply.values[static_cast<std::size_t>(address)];
    reading.address = static_cast<std::uint16_t>(address);
    reading.raw = raw;
    reading.texts.decimal = ZeroPadded(raw);
    reading.texts.hexBytes = HexBytesText(raw);
    reading.texts.address = AddressText(address);

    const ShownValue shown = ApplyRegisterRule(address, raw, reply, catalogue);
    reading.unit = EntryText(catalogue.Units(), address);
    ShowValue(shown, EntryText(catalogue.Decimals(), address), reading);
    reading.texts.remark = EntryText(catalogue.Remarks(), address);
}

}  // namespace

RegisterReadings DecodeReadings(const ReadReply& reply, RegisterCatalogue& catalogue) {
    RegisterReadings readings;
    for (int address = 0; address < kRegisterCount; ++address) {
        DecodeRegister(reply, address, catalogue, readings[static_cast<std::size_t>(address)]);
    }
    return readings;
}

}  // namespace tavr
