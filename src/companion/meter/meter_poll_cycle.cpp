#include "companion/meter/meter_poll_cycle.h"

namespace tavr {

MeterPollCycle::MeterPollCycle(MeterLink& link, std::vector<std::uint8_t> deviceIds, int retries)
    : link_(link), deviceIds_(std::move(deviceIds)), retries_(retries) {}

std::vector<MeterPoll> MeterPollCycle::Run(std::chrono::steady_clock::time_point retryUntil) {
    std::vector<MeterPoll> polls;
    for (const std::uint8_t deviceId : deviceIds_) {
        polls.push_back(Ask(deviceId, retryUntil));
        const ExchangeOutcome outcome = polls.back().outcome;
        if (outcome == ExchangeOutcome::HungUp || outcome == ExchangeOutcome::Interrupted) {
            break;
        }
    }
    return polls;
}

MeterPoll MeterPollCycle::Ask(std::uint8_t deviceId,
                              std::chrono::steady_clock::time_point retryUntil) {
    MeterPoll poll;
    poll.deviceId = deviceId;
    for (int attempt = 0; attempt <= retries_; ++attempt) {
        if (attempt > 0 && std::chrono::steady_clock::now() >= retryUntil) {
            break;
        }
        const ReadOutcome read = link_.ReadRegisters(deviceId);
        poll.outcome = read.outcome;
        switch (read.outcome) {
            case ExchangeOutcome::Answered:
                poll.reply = read.reply;
                poll.time = std::chrono::system_clock::now();
                return poll;
            case ExchangeOutcome::Silent:
                ++poll.silent;
                break;
            case ExchangeOutcome::Garbled:
                ++poll.garbled;
                break;
            case ExchangeOutcome::HungUp:
            case ExchangeOutcome::Interrupted:
                return poll;
        }
    }
    return poll;
}

std::string PollFailureText(const MeterPoll& poll) {
    switch (poll.outcome) {
        case ExchangeOutcome::Answered:
            return "";
        case ExchangeOutcome::HungUp:
            return "the device hung up";
        case ExchangeOutcome::Interrupted:
            return "interrupted";
        case ExchangeOutcome::Silent:
        case ExchangeOutcome::Garbled:
            break;
    }
    const int requests = poll.silent + poll.garbled;
    return "no valid answer after " + std::to_string(requests) +
           (requests == 1 ? " request (" : " requests (") + std::to_string(poll.silent) +
           " unanswered, " + std::to_string(poll.garbled) + " garbled)";
}

}  // namespace tavr
