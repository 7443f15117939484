#include "meter_simulator/live_measurements.h"

#include <algorithm>
#include <cstdlib>

namespace tavr::simulator {

namespace {

constexpr std::chrono::milliseconds kStepLength{100};
constexpr std::int64_t kStepMs = kStepLength.count();
constexpr std::int64_t kCycleSteps = 1800;      // 180 s
constexpr std::int64_t kDischargeSteps = 1200;  // the first 120 s of each cycle
constexpr std::int64_t kDischargeMilliAmps = 15000;
constexpr std::int64_t kChargeMilliAmps = -20000;
constexpr std::int64_t kChargingVoltageRise = 400;  // mV above the resting voltage
constexpr std::int64_t kEmptyMilliVolts = 10845;
constexpr std::int64_t kFullRangeMilliVolts = 2000;  // from empty to full
constexpr std::int64_t kSecondMilliVolts = 54000;
constexpr std::int64_t kTemperatureDeci = 250;
constexpr std::int64_t kSecondTemperatureDeci = -50;
constexpr std::int64_t kTenthAmpHour = 100LL * 3600 * 1000;    // mA·ms
constexpr std::int64_t kWattHour = 1'000'000LL * 3600 * 1000;  // µW·ms
constexpr std::int64_t kCycleChargeMilliAmps = -1000;
constexpr std::int64_t kCycleChargeSteps = 30'000 / kStepMs;
constexpr std::int64_t kNegativeTemperatureMark = 4096;
constexpr std::int64_t kNegativeCurrentMark = 16;
constexpr std::int64_t kThreeDecimalsBelow = 50000;  // 50 V or 50 A in thousandths

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
    if (magnitude < kThreeDecimalsBelow) {
        return {static_cast<std::uint16_t>(magnitude), 3};
    }
    return {static_cast<std::uint16_t>(std::min<std::int64_t>(magnitude / 10, 0xFFFF)), 2};
}

std::uint16_t EncodeTemperature(std::int64_t deci) {
    return static_cast<std::uint16_t>(deci < 0 ? kNegativeTemperatureMark - deci : deci);
}

}  // namespace

void LiveMeasurements::Tick(RegisterBank& bank, std::chrono::milliseconds elapsed) {
    pending_ += std::max(elapsed, std::chrono::milliseconds{0});
    for (; pending_ >= kStepLength; pending_ -= kStepLength) {
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
    const std::int64_t fullDeciVolts = bank.Get(reg::kFullChargeVoltage);
    if (fullDeciVolts > 0 && milliVolts >= fullDeciVolts * 100) {
        bank.Publish(reg::kRemainingCharge, bank.Get(reg::kNominalCapacity));
    }
    ++step_;
}

void LiveMeasurements::Publish(RegisterBank& bank) const {
    const Reading voltage = Encode(VoltageMilliVolts(bank));
    const Reading second = Encode(kSecondMilliVolts + Wobble(5, 50));
    const std::int64_t milliAmps = CurrentMilliAmps();
    const Reading current = Encode(milliAmps);
    const std::int64_t currentFlags = current.decimals + (milliAmps < 0 ? kNegativeCurrentMark : 0);
    bank.Publish(reg::kDecimalFlags,
                 static_cast<std::uint16_t>((second.decimals << 12) | (voltage.decimals << 8) |
                                            currentFlags));
    bank.Publish(reg::kVoltage, voltage.raw);
    bank.Publish(reg::kSecondVoltage, second.raw);
    bank.Publish(reg::kCurrent, current.raw);
    bank.Publish(reg::kTemperature, EncodeTemperature(kTemperatureDeci + Wobble(3, 2)));
    bank.Publish(reg::kSecondTemperature, EncodeTemperature(kSecondTemperatureDeci + Wobble(4, 2)));
    const std::int64_t nominal = bank.Get(reg::kNominalCapacity);
    const std::int64_t percent =
        nominal == 0
            ? 0
            : std::min<std::int64_t>(bank.Get(reg::kRemainingCharge) * 10000 / nominal, 10000);
    bank.Publish(reg::kChargePercent, static_cast<std::uint16_t>(percent));
}

void LiveMeasurements::CountCharge(RegisterBank& bank, std::int64_t milliAmps) {
    std::int64_t remaining = bank.Get(reg::kRemainingCharge);
    const std::int64_t nominal = bank.Get(reg::kNominalCapacity);
    chargeCarry_ -= milliAmps * kStepMs;
    for (; chargeCarry_ <= -kTenthAmpHour; chargeCarry_ += kTenthAmpHour) {
        remaining = std::max<std::int64_t>(remaining - 1, 0);
    }
    for (; chargeCarry_ >= kTenthAmpHour; chargeCarry_ -= kTenthAmpHour) {
        remaining = remaining < nominal ? remaining + 1 : remaining;
    }
    bank.Publish(reg::kRemainingCharge, static_cast<std::uint16_t>(remaining));
}

void LiveMeasurements::CountEnergy(RegisterBank& bank, std::int64_t milliVolts,
                                   std::int64_t milliAmps) {
    energyCarry_ += milliVolts * milliAmps * kStepMs;
    std::uint16_t used = bank.Get(reg::kEnergyUsed);
    for (; energyCarry_ >= kWattHour; energyCarry_ -= kWattHour) {
        ++used;  // the counter wraps like a 16-bit register does
    }
    bank.Publish(reg::kEnergyUsed, used);
}

void LiveMeasurements::CountCycle(RegisterBank& bank, std::int64_t milliAmps) {
    chargingSteps_ = milliAmps < kCycleChargeMilliAmps ? chargingSteps_ + 1 : 0;
    if (chargingSteps_ == kCycleChargeSteps) {
        bank.Publish(reg::kCycleCount, static_cast<std::uint16_t>(bank.Get(reg::kCycleCount) + 1));
    }
}

bool LiveMeasurements::Charging() const {
    return step_ % kCycleSteps >= kDischargeSteps;
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
    return (Charging() ? kChargeMilliAmps : kDischargeMilliAmps) + Wobble(1, 150);
}

std::int64_t LiveMeasurements::VoltageMilliVolts(const RegisterBank& bank) const {
    const std::int64_t nominal = bank.Get(reg::kNominalCapacity);
    const std::int64_t remaining = std::min<std::int64_t>(bank.Get(reg::kRemainingCharge), nominal);
    const std::int64_t stateOfCharge =
        nominal == 0 ? 0 : kFullRangeMilliVolts * remaining / nominal;
    return kEmptyMilliVolts + stateOfCharge + (Charging() ? kChargingVoltageRise : 0) +
           Wobble(2, 8);
}

}  // namespace tavr::simulator
