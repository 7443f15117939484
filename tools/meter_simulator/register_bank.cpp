#include "meter_simulator/register_bank.h"

namespace tavr::simulator {

namespace {

constexpr auto kMaxima = std::to_array<std::uint16_t>({
    50,    255,   65535, 65535, 65535, 1250,  1250,  65535, 65535, 10000, 1000,  10000,
    10000, 10000, 10000, 10000, 1250,  1250,  1250,  1250,  65535, 65535, 255,   65535,
    10000, 200,   10000, 5,     65535, 65535, 65535, 10000, 10000, 65535, 65535,
});
static_assert(kMaxima.size() == kRegisterCount);

// A 12 V battery of 100.0 Ah at 75 % being discharged with 15 A, watched by a 50 A shunt, and a
// 48 V pack on the second voltage channel. Register 0002H says: second voltage with 2 decimals
// (54.00 V is above 50 V), main voltage with 3, current positive with 3. The measurements equal
// what the live measurements publish at time zero.
constexpr auto kStartingValues = std::to_array<std::uint16_t>({
    1,       // 0000H device address (replaced by the one given)
    0,       // 0001H settings screen step
    0x2303,  // 0002H decimal flags
    12345,   // 0003H 12.345 V
    15000,   // 0004H 15.000 A, discharging
    250,     // 0005H +25.0 degrees
    4146,    // 0006H -5.0 degrees (4096 marks a negative temperature)
    750,     // 0007H 75.0 Ah remaining
    1234,    // 0008H 1234 Wh used
    1000,    // 0009H 100.0 Ah nominal capacity
    144,     // 000AH 14.4 V resets the charge to full
    7500,    // 000BH 75.00 %
    146,     // 000CH voltage upper limit 14.6 V
    105,     // 000DH voltage lower limit 10.5 V
    500,     // 000EH current upper limit 50.0 A
    0,       // 000FH current lower limit 0.0 A
    600,     // 0010H temperature upper limit 60.0 degrees
    0,       // 0011H temperature lower limit 0.0 degrees
    600,     // 0012H second temperature upper limit
    0,       // 0013H second temperature lower limit
    150,     // 0014H 2 min 30 s out of range allowed
    60,      // 0015H backlight off after 1 min
    50,      // 0016H backlight on above 0.50 A
    31250,   // 0017H voltage calibration ADC value
    500,     // 0018H 50.0 A shunt
    0,       // 0019H no forced current zero
    0,       // 001AH no line-loss compensation
    2,       // 001BH Modbus output mode
    0,       // 001CH voltage and temperature status: normal
    0,       // 001DH current status normal, relay off
    5400,    // 001EH 54.00 V
    584,     // 001FH second voltage upper limit 58.4 V
    420,     // 0020H second voltage lower limit 42.0 V
    31250,   // 0021H second voltage calibration ADC value
    7,       // 0022H charge cycles
});
static_assert(kStartingValues.size() == kRegisterCount);

}  // namespace

RegisterBank::RegisterBank(std::uint8_t deviceAddress) : values_(kStartingValues) {
    values_[reg::kDeviceAddress] = deviceAddress;
}

std::uint16_t RegisterBank::Maximum(int address) {
    return kMaxima[address];
}

WriteResult RegisterBank::Write(int address, std::uint16_t value) {
    if (!Contains(address)) {
        return WriteResult::IllegalAddress;
    }
    if (value > Maximum(address) || (address == reg::kDeviceAddress && value == 0)) {
        return WriteResult::IllegalValue;
    }
    values_[address] = value;
    return WriteResult::Stored;
}

void RegisterBank::Pin(int address, std::uint16_t value) {
    values_[address] = value;
    pinned_[address] = true;
}

void RegisterBank::Publish(int address, std::uint16_t value) {
    if (!pinned_[address]) {
        values_[address] = value;
    }
}

}  // namespace tavr::simulator
