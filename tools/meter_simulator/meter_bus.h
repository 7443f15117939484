#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "meter_simulator/fault.h"
#include "meter_simulator/live_measurements.h"
#include "meter_simulator/register_bank.h"
#include "meter_simulator/request_handler.h"

namespace tavr::simulator {

// One meter on the line as it starts: its device ID and its fault.
struct BusMeterSetup {
    int deviceId = 1;
    Fault fault;
};

// The meters that share one line: each has its own registers, its own battery (its wobble
// seeded apart from the others') and its own fault. Every meter hears every byte, as on an
// RS-485 line; only the one a request is addressed to answers it, and a broadcast reaches all.
class MeterBus {
  public:
    // The first meter's battery is seeded with `seed`, the next ones with seed + 1, + 2, ...
    MeterBus(const std::vector<BusMeterSetup>& meters, std::uint64_t seed);

    // Takes received bytes; returns one exchange per frame or run of discarded bytes they end:
    // the addressed meter's when one heard it, otherwise the first meter's.
    std::vector<Exchange> Receive(std::span<const std::uint8_t> bytes);

    // The line has been silent for the gap between frames.
    std::vector<Exchange> Silence();

    bool HoldsPartialFrame() const;
    void ForgetPartialFrame();

    // Advances every meter's battery by `elapsed`.
    void Tick(std::chrono::milliseconds elapsed);

    // The meter that answers to `deviceId` now; nullptr when none does.
    RegisterBank* Bank(int deviceId);
    RequestHandler* Handler(int deviceId);

    // Every meter's registers and handler, in the order given.
    std::vector<RegisterBank*> Banks();
    std::vector<RequestHandler*> Handlers();

  private:
    struct Meter {
        Meter(const BusMeterSetup& setup, std::uint64_t seed);
        RegisterBank bank;
        LiveMeasurements live;
        RequestHandler handler;
    };

    std::vector<Exchange> Merge(std::vector<std::vector<Exchange>> heard) const;

    std::vector<std::unique_ptr<Meter>> meters_;
};

}  // namespace tavr::simulator
