#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "companion/meter/meter_link.h"

namespace tavr {

// How one meter's part of a poll cycle ended.
struct MeterPoll {
    std::uint8_t deviceId = 0;
    // Answered, or how the last request ended (Silent, Garbled, HungUp, Interrupted).
    ExchangeOutcome outcome = ExchangeOutcome::Silent;
    ReadReply reply;                             // valid when answered
    std::chrono::system_clock::time_point time;  // when the answer came
    int silent = 0;                              // requests that got no answer
    int garbled = 0;                             // answers dropped as not intact

    bool Answered() const { return outcome == ExchangeOutcome::Answered; }
};

// Polls the meters on one line one after another: one request on the line at a time, each
// waiting for its answer or the time-out, so a silent meter costs only its own time-out. A
// cycle asks each meter once, and asks a meter without an intact answer again up to `retries`
// times while the cycle's retry limit has not passed.
class MeterPollCycle {
  public:
    MeterPollCycle(MeterLink& link, std::vector<std::uint8_t> deviceIds, int retries);

    // One cycle, one entry per meter in order. A hang-up or an interruption ends the cycle: the
    // meters after it are not asked and have no entry.
    std::vector<MeterPoll> Run(std::chrono::steady_clock::time_point retryUntil =
                                   std::chrono::steady_clock::time_point::max());

    const std::vector<std::uint8_t>& DeviceIds() const { return deviceIds_; }

  private:
    MeterPoll Ask(std::uint8_t deviceId, std::chrono::steady_clock::time_point retryUntil);

    MeterLink& link_;
    std::vector<std::uint8_t> deviceIds_;
    int retries_;
};

// Why a meter gave no reading: "no valid answer after 3 requests (3 unanswered, 0 garbled)",
// "the device hung up" or "interrupted". Empty for an answered poll.
std::string PollFailureText(const MeterPoll& poll);

}  // namespace tavr
