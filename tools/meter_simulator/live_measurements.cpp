#include "meter_simulator/live_measurements.h"

#include <algorithm>
#include <cstdlib>

namespace tavr::simulator {

namespace {

constexpr std::chrono::milliseconds StepLength{100};
constexpr std::int64_t StepMs = StepLength.count();
constexpr std::int64_t CycleSteps = 1800;      // 180 s
constexpr std::int64_t DischargeSteps = 1200;  // the first 120 s of each cycle
constexpr std::int64_t DischargeMilliAmps = 15000;
constexpr std::int64_t ChargeMilliAmps = -20000;
constexpr std::int64_t ChargingVoltageRise = 400;  // mV above the resting voltage
constexpr std::int64_t EmptyMilliVolts = 10845;
constexpr std::int64_t FullRangeMilliVolts = 2000;  // from empty to full
constexpr std::int64_t SecondMilliVolts = 54000;
constexpr std::int64_t TemperatureDeci = 250;
constexpr std::int64_t SecondTemperatureDeci = -50;
constexpr std::int64_t TenthAmpHour = 100LL * 3600 * 1000;    // mA·ms
constexpr std::int64_t WattHour = 1'000'000LL * 3600 * 1000;  // µW·ms
constexpr std::int64_t CycleChargeMilliAmps = -1000;
constexpr std::int64_t CycleChargeSteps = 30'000 / StepMs;
constexpr std::int64_t NegativeTemperatureMark = 4096;
constexpr std::int64_t NegativeCurrentMark = 16;
constexpr std::int64_t ThreeDecimalsBelow = 50000;  // 50 V or 50 A in thousandths

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

struct Reading {
    std::uint16_t raw;
    int decimals;
};

// A voltage or current in thousandths: below 50 units with 3 decimals, from 50 on with 2.
Reading Encode(std::int64_t thousandths) {
    const std::int64_t magnitude = std::abs(thousandths);
    if (magnitude < ThreeDecimalsBelow) {
        return {static_cast<std::uint16_t>(magnitude), 3};
    }
    return {static_cast<std::uint16_t>(std::min<std::int64_t>(magnitude / 10, 0xFFFF)), 2};
}

std::uint16_t EncodeTemperature(std::int64_t deci) {
    return static_cast<std::uint16_t>(deci < 0 ? NegativeTemperatureMark - deci : deci);
}

}  // namespace

void LiveMeasurements::Tick(RegisterBank& bank, std::chrono::milliseconds elapsed) {
    pending_ += std::max(elapsed, std::chrono::milliseconds{0});
    for (; pending_ >= StepLength; pending_ -= StepLength) {
        Step(bank);
    }
    Publish(bank);
}

void LiveMeasurements::Step(RegisterBank& bank) {
    const std::int64_t milliAmps = CurrentMilliAmps();
    const std::int64_t milliVolts = VoltageMilliVolts(bank);
    CountCharge(bank, milliAmps);
    if (!Charging()) {
        CountEnergy(bank, milliVolts, milliAmps);
    }
    CountCycle(bank, milliAmps);
    const std::int64_t fullDeciVolts = bank.Get(reg::FullChargeVoltage);
    if (fullDeciVolts > 0 && milliVolts >= fullDeciVolts * 100) {
        bank.Publish(reg::RemainingCharge, bank.Get(reg::NominalCapacity));
    }
    ++step_;
}

void LiveMeasurements::Publish(RegisterBank& bank) const {
    const Reading voltage = Encode(VoltageMilliVolts(bank));
    const Reading second = Encode(SecondMilliVolts + Wobble(5, 50));
    const std::int64_t milliAmps = CurrentMilliAmps();
    const Reading current = Encode(milliAmps);
    const std::int64_t currentFlags = current.decimals + (milliAmps < 0 ? NegativeCurrentMark : 0);
    bank.Publish(reg::DecimalFlags,
                 static_cast<std::uint16_t>((second.decimals << 12) | (voltage.decimals << 8) |
                                            currentFlags));
    bank.Publish(reg::Voltage, voltage.raw);
    bank.Publish(reg::SecondVoltage, second.raw);
    bank.Publish(reg::Current, current.raw);
    bank.Publish(reg::Temperature, EncodeTemperature(TemperatureDeci + Wobble(3, 2)));
    bank.Publish(reg::SecondTemperature, EncodeTemperature(SecondTemperatureDeci + Wobble(4, 2)));
    const std::int64_t nominal = bank.Get(reg::NominalCapacity);
    const std::int64_t percent =
        nominal == 0
            ? 0
            : std::min<std::int64_t>(bank.Get(reg::RemainingCharge) * 10000 / nominal, 10000);
    bank.Publish(reg::ChargePercent, static_cast<std::uint16_t>(percent));
}

void LiveMeasurements::CountCharge(RegisterBank& bank, std::int64_t milliAmps) {
    std::int64_t remaining = bank.Get(reg::RemainingCharge);
    const std::int64_t nominal = bank.Get(reg::NominalCapacity);
    chargeCarry_ -= milliAmps * StepMs;
    for (; chargeCarry_ <= -TenthAmpHour; chargeCarry_ += TenthAmpHour) {
        remaining = std::max<std::int64_t>(remaining - 1, 0);
    }
    for (; chargeCarry_ >= TenthAmpHour; chargeCarry_ -= TenthAmpHour) {
        remaining = remaining < nominal ? remaining + 1 : remaining;
    }
    bank.Publish(reg::RemainingCharge, static_cast<std::uint16_t>(remaining));
}

void LiveMeasurements::CountEnergy(RegisterBank& bank, std::int64_t milliVolts,
                                   std::int64_t milliAmps) {
    energyCarry_ += milliVolts * milliAmps * StepMs;
    std::uint16_t used = bank.Get(reg::EnergyUsed);
    for (; energyCarry_ >= WattHour; energyCarry_ -= WattHour) {
        ++used;  // the counter wraps like a 16-bit register does
    }
    bank.Publish(reg::EnergyUsed, used);
}

void LiveMeasurements::CountCycle(RegisterBank& bank, std::int64_t milliAmps) {
    chargingSteps_ = milliAmps < CycleChargeMilliAmps ? chargingSteps_ + 1 : 0;
    if (chargingSteps_ == CycleChargeSteps) {
        bank.Publish(reg::CycleCount, static_cast<std::uint16_t>(bank.Get(reg::CycleCount) + 1));
    }
}

bool LiveMeasurements::Charging() const {
    return step_ % CycleSteps >= DischargeSteps;
}

std::int64_t LiveMeasurements::Wobble(int channel, std::int64_t amplitude) const {
    if (step_ == 0) {
        return 0;
    }
    const std::uint64_t noise = Mix(
        seed_ ^ Mix(static_cast<std::uint64_t>(channel) << 48 ^ static_cast<std::uint64_t>(step_)));
    return static_cast<std::int64_t>(noise % static_cast<std::uint64_t>(2 * amplitude + 1)) -
           amplitude;
}

std::int64_t LiveMeasurements::CurrentMilliAmps() const {
    return (Charging() ? ChargeMilliAmps : DischargeMilliAmps) + Wobble(1, 150);
}

std::int64_t LiveMeasurements::VoltageMilliVolts(const RegisterBank& bank) const {
    const std::int64_t nominal = bank.Get(reg::NominalCapacity);
    const std::int64_t remaining = std::min<std::int64_t>(bank.Get(reg::RemainingCharge), nominal);
    const std::int64_t stateOfCharge = nominal == 0 ? 0 : FullRangeMilliVolts * remaining / nominal;
    return EmptyMilliVolts + stateOfCharge + (Charging() ? ChargingVoltageRise : 0) + Wobble(2, 8);
}

}  // namespace tavr::simulator
