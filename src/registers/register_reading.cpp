#include "registers/register_reading.h"

#include "runtime/format_number.h"
#include "runtime/text_length.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"

namespace tavr {

namespace {

// Registers with a display rule of their own.
constexpr int DecimalFlags = 0x02;
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

// A temperature raw value above this has its top bit set: the value is negative.
constexpr std::int32_t TemperatureSignLimit = 4095;
constexpr std::int32_t TemperatureSignBit = 4096;
// The zero offset is stored with 100 added, so that it can be negative.
constexpr std::int32_t ZeroOffsetBias = 100;
// A current flag above this marks a negative current; the decimals are what lies above it.
constexpr std::int32_t CurrentSignFlag = 16;

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

// The shown digits of a register (five digits, or what its rule made of them), the sign or
// label put before them, and the number the digits stand for before any decimals apply.
struct ShownValue {
    Text digits;
    Text prefix;
    double magnitude = 0;
};

ShownValue ApplyRegisterRule(int address, Text digits, std::int32_t n, const ReadReply& reply,
                             RegisterCatalogue& catalogue) {
    // Register 0002H: its high byte carries the decimals of the two voltages, its low byte the
    // sign and decimals of the current.
    const std::int32_t voltageFlags = reply.values[DecimalFlags] >> 8;
    const std::int32_t currentFlags = reply.values[DecimalFlags] & 0xFF;
    switch (address) {
        case Voltage:
            catalogue.SetDecimals(Voltage, ToText(voltageFlags % 16));
            return {std::move(digits), "", static_cast<double>(n)};
        case SecondVoltage:
            catalogue.SetDecimals(SecondVoltage, ToText(voltageFlags / 16));
            return {std::move(digits), "", static_cast<double>(n)};
        case Current:
            if (currentFlags >= CurrentSignFlag) {
                catalogue.SetDecimals(Current, ToText(currentFlags - CurrentSignFlag));
                return {std::move(digits), "-", static_cast<double>(n)};
            }
            catalogue.SetDecimals(Current, ToText(currentFlags));
            return {std::move(digits), "", static_cast<double>(n)};
        case Temperature:
        case SecondTemperature:
            if (n > TemperatureSignLimit) {
                return {ToText(n - TemperatureSignBit), "-",
                        static_cast<double>(n - TemperatureSignBit)};
            }
            return {std::move(digits), "+", static_cast<double>(n)};
        case OutOfRangeTime:
        case BacklightTime:
            // Shown as minutes and seconds; the number is the seconds.
            return {ToText(n / 60) + "分" + ToText(n % 60), "", static_cast<double>(n)};
        case Shunt:
            return {std::move(digits), "75mV", static_cast<double>(n)};
        case CurrentZeroOffset:
            if (n > ZeroOffsetBias) {
                return {ToText(n - ZeroOffsetBias), "+", static_cast<double>(n - ZeroOffsetBias)};
            }
            return {std::move(digits), "-", static_cast<double>(n)};
        case LineLossCompensation:
            return {std::move(digits), "1A+", static_cast<double>(n)};
        default:
            return {std::move(digits), "", static_cast<double>(n)};
    }
}

// The value column and its number: the digits scaled by the register's decimals ("0" to "3");
// any other decimals text leaves the cell empty and gives no number.
void ShowValue(const ShownValue& shown, const Text& decimals, RegisterReading& reading) {
    const double sign = shown.prefix == "-" ? -1.0 : 1.0;
    if (decimals == "0") {
        reading.texts.value = shown.prefix + shown.digits + reading.unit;
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
            reading.texts.value =
                shown.prefix + FormatNumber(ToInteger(shown.digits) / scale.divisor, scale.places) +
                reading.unit;
            reading.number = sign * shown.magnitude / scale.divisor;
            return;
        }
    }
}

RegisterReading DecodeRegister(const ReadReply& reply, int address, RegisterCatalogue& catalogue) {
    const std::uint16_t raw = reply.values[static_cast<std::size_t>(address)];
    RegisterReading reading;
    reading.address = static_cast<std::uint16_t>(address);
    reading.raw = raw;
    reading.texts.decimal = ZeroPadded(ToText(static_cast<std::int32_t>(raw)));
    reading.texts.hexBytes = HexByteText(raw >> 8) + " " + HexByteText(raw & 0xFF);
    reading.texts.address = AddressText(address);

    const ShownValue shown =
        ApplyRegisterRule(address, reading.texts.decimal, raw, reply, catalogue);
    RegisterEntry entry = catalogue.Entry(reading.address);
    reading.unit = std::move(entry.unit);
    ShowValue(shown, entry.decimals, reading);
    reading.texts.remark = std::move(entry.remark);
    return reading;
}

}  // namespace

RegisterReadings DecodeReadings(const ReadReply& reply, RegisterCatalogue& catalogue) {
    RegisterReadings readings;
    for (int address = 0; address < RegisterCount; ++address) {
        readings[static_cast<std::size_t>(address)] = DecodeRegister(reply, address, catalogue);
    }
    return readings;
}

}  // namespace tavr
