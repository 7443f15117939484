#include "registers/register_row.h"

#include <cstdint>

#include "runtime/arithmetic.h"
#include "runtime/format_number.h"
#include "runtime/text_length.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"

namespace tavr {

namespace {

// Registers with a display rule of their own.
constexpr int Voltage = 0x03;
constexpr int Current = 0x04;
constexpr int Temperature = 0x05;
constexpr int SecondTemperature = 0x06;
constexpr int OutOfRangeTime = 0x14;
constexpr int BacklightTime = 0x15;
constexpr int Shunt = 0x18;
constexpr int CurrentZeroOffset = 0x19;
constexpr int LineLossCompensation = 0x1A;
constexpr int SecondVoltage = 0x1E;

// Reply positions of register 0002H's bytes: the high byte carries the decimals of the two
// voltages, the low byte the sign and decimals of the current.
constexpr int VoltageFlagsPosition = 7;
constexpr int CurrentFlagsPosition = 8;

// A temperature raw value above this has its top bit set: the value is negative.
constexpr std::int32_t TemperatureSignLimit = 4095;
constexpr std::int32_t TemperatureSignBit = 4096;
// The zero offset is stored with 100 added, so that it can be negative.
constexpr std::int32_t ZeroOffsetBias = 100;

Text ZeroPadded(Text digits) {
    while (TextLength(digits) < 5) {
        digits.insert(0, "0");
    }
    return digits;
}

Text HexByteText(std::int32_t byte) {
    const Text hex = ToHexText(byte);
    return (TextLength(hex) == 1 ? "0x0" : "0x") + hex;
}

Text AddressText(int address) {
    return (address < 16 ? "0x000" : "0x00") + ToHexText(address);
}

// The shown digits of a register (five digits, or what its rule made of them) and the sign or
// prefix put before them.
struct ShownValue {
    Text digits;
    Text prefix;
};

ShownValue ApplyRegisterRule(int address, Text digits, const TextArray& reply,
                             RegisterCatalogue& catalogue) {
    const std::int32_t n = ToInteger(digits);
    switch (address) {
        case Voltage:
            catalogue.SetDecimals(Voltage,
                                  ToText(Remainder(ToNumber(reply[VoltageFlagsPosition]), 16)));
            return {digits, ""};
        case SecondVoltage:
            catalogue.SetDecimals(SecondVoltage,
                                  ToText(IntegerPart(ToNumber(reply[VoltageFlagsPosition]) / 16)));
            return {digits, ""};
        case Current: {
            const std::int32_t flags = ToInteger(reply[CurrentFlagsPosition]);
            if (flags > 15) {
                catalogue.SetDecimals(Current, ToText(flags - 16));
                return {digits, "-"};
            }
            catalogue.SetDecimals(Current, ToText(flags));
            return {digits, ""};
        }
        case Temperature:
        case SecondTemperature:
            if (n > TemperatureSignLimit) {
                return {ToText(n - TemperatureSignBit), "-"};
            }
            return {digits, "+"};
        case OutOfRangeTime:
        case BacklightTime:
            return {ToText(n / 60) + "分" + ToText(n % 60), ""};
        case Shunt:
            return {digits, "75mV"};
        case CurrentZeroOffset:
            if (n > ZeroOffsetBias) {
                return {ToText(n - ZeroOffsetBias), "+"};
            }
            return {digits, "-"};
        case LineLossCompensation:
            return {digits, "1A+"};
        default:
            return {digits, ""};
    }
}

// The value column: the digits scaled by the register's decimals ("0" to "3"); any other
// decimals text leaves the cell empty.
Text ValueText(const ShownValue& shown, const Text& decimals, const Text& unit) {
    if (decimals == "0") {
        return shown.prefix + shown.digits + unit;
    }
    static constexpr struct {
        const char* decimals;
        double divisor;
        std::int32_t places;
    } scales[] = {{"1", 10.0, 1}, {"2", 100.0, 2}, {"3", 1000.0, 3}};
    for (const auto& scale : scales) {
        if (decimals == scale.decimals) {
            return shown.prefix +
                   FormatNumber(ToInteger(shown.digits) / scale.divisor, scale.places) + unit;
        }
    }
    return {};
}

}  // namespace

RegisterRow BuildRegisterRow(const TextArray& reply, int address, RegisterCatalogue& catalogue) {
    const std::int32_t high = ToInteger(reply[3 + 2 * address]);
    const std::int32_t low = ToInteger(reply[4 + 2 * address]);
    // Widened so that no reply text can overflow the sum.
    const double raw = static_cast<double>(high) * 256.0 + low;
    const Text decimal = ZeroPadded(FormatNumber(raw, 0));

    const ShownValue shown = ApplyRegisterRule(address, decimal, reply, catalogue);
    const RegisterEntry entry = catalogue.Entry(static_cast<std::uint16_t>(address));
    return RegisterRow{
        .decimal = decimal,
        .value = ValueText(shown, entry.decimals, entry.unit),
        .hexBytes = HexByteText(high) + " " + HexByteText(low),
        .address = AddressText(address),
        .remark = entry.remark,
    };
}

}  // namespace tavr
