#pragma once

#include <chrono>
#include <cstdint>

#include "meter_simulator/register_bank.h"

namespace tavr::simulator {

// The battery that the simulated meter watches. It is discharged with about 15 A for 120 s,
// then charged with about 20 A for 60 s, over and over. The measurements wobble a little, the
// remaining charge and its percentage follow the current, the used energy counts up while
// discharging, and 30 s of charging with more than 1 A counts one charge cycle. The remaining
// charge, used energy and cycle count live in their registers, so a written value counts on
// from there; measurements that are written are measured anew at the next tick.
//
// Time advances in fixed steps of 100 ms and the wobble is a function of the seed and the step,
// so the registers depend only on the seed, the writes and the total time advanced, not on how
// that time is cut into ticks. At time zero the wobble is zero and the registers hold the
// bank's starting values.
class LiveMeasurements {
  public:
    explicit LiveMeasurements(std::uint64_t seed) : seed_(seed) {}

    // Advances the battery by `elapsed` and publishes the measurements reached.
    void Tick(RegisterBank& bank, std::chrono::milliseconds elapsed);

  private:
    void Step(RegisterBank& bank);
    void Publish(RegisterBank& bank) const;
    void CountCharge(RegisterBank& bank, std::int64_t milliAmps);
    void CountEnergy(RegisterBank& bank, std::int64_t milliVolts, std::int64_t milliAmps);
    void CountCycle(RegisterBank& bank, std::int64_t milliAmps);

    bool Charging() const;
    std::int64_t Wobble(int channel, std::int64_t amplitude) const;
    std::int64_t CurrentMilliAmps() const;
    std::int64_t VoltageMilliVolts(const RegisterBank& bank) const;

    std::uint64_t seed_;
    std::int64_t step_ = 0;
    std::chrono::milliseconds pending_{0};
    std::int64_t chargeCarry_ = 0;  // mA·ms not yet worth 0.1 Ah
    std::int64_t energyCarry_ = 0;  // µW·ms not yet worth 1 Wh
    std::int64_t chargingSteps_ = 0;
};

}  // namespace tavr::simulator
