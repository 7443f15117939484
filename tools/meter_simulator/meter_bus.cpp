#include "meter_simulator/meter_bus.h"

namespace tavr::simulator {

MeterBus::Meter::Meter(const BusMeterSetup& setup, std::uint64_t seed)
    : bank(static_cast<std::uint8_t>(setup.deviceId)), live(seed), handler(bank, seed) {
    handler.SetFault(setup.fault);
}

MeterBus::MeterBus(const std::vector<BusMeterSetup>& meters, std::uint64_t seed) {
    for (const BusMeterSetup& setup : meters) {
        meters_.push_back(std::make_unique<Meter>(setup, seed + meters_.size()));
    }
}

std::vector<Exchange> MeterBus::Receive(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<Exchange>> heard;
    for (const auto& meter : meters_) {
        heard.push_back(meter->handler.Receive(bytes));
    }
    return Merge(std::move(heard));
}

std::vector<Exchange> MeterBus::Silence() {
    std::vector<std::vector<Exchange>> heard;
    for (const auto& meter : meters_) {
        heard.push_back(meter->handler.Silence());
    }
    return Merge(std::move(heard));
}

// Every meter cuts the same bytes into the same pieces, so the i-th exchange of each meter
// stands for the same piece of the line.
std::vector<Exchange> MeterBus::Merge(std::vector<std::vector<Exchange>> heard) const {
    std::vector<Exchange> merged = std::move(heard.front());
    for (std::size_t k = 1; k < heard.size(); ++k) {
        for (std::size_t i = 0; i < merged.size() && i < heard[k].size(); ++i) {
            if (merged[i].verdict == Verdict::OtherAddress &&
                heard[k][i].verdict != Verdict::OtherAddress) {
                merged[i] = std::move(heard[k][i]);
            }
        }
    }
    return merged;
}

bool MeterBus::HoldsPartialFrame() const {
    return meters_.front()->handler.HoldsPartialFrame();
}

void MeterBus::ForgetPartialFrame() {
    for (const auto& meter : meters_) {
        meter->handler.ForgetPartialFrame();
    }
}

void MeterBus::Tick(std::chrono::milliseconds elapsed) {
    for (const auto& meter : meters_) {
        meter->live.Tick(meter->bank, elapsed);
    }
}

RegisterBank* MeterBus::Bank(int deviceId) {
    for (const auto& meter : meters_) {
        if (meter->bank.AnswersTo(static_cast<std::uint8_t>(deviceId))) {
            return &meter->bank;
        }
    }
    return nullptr;
}

RequestHandler* MeterBus::Handler(int deviceId) {
    for (const auto& meter : meters_) {
        if (meter->bank.AnswersTo(static_cast<std::uint8_t>(deviceId))) {
            return &meter->handler;
        }
    }
    return nullptr;
}

std::vector<RegisterBank*> MeterBus::Banks() {
    std::vector<RegisterBank*> banks;
    for (const auto& meter : meters_) {
        banks.push_back(&meter->bank);
    }
    return banks;
}

std::vector<RequestHandler*> MeterBus::Handlers() {
    std::vector<RequestHandler*> handlers;
    for (const auto& meter : meters_) {
        handlers.push_back(&meter->handler);
    }
    return handlers;
}

}  // namespace tavr::simulator
