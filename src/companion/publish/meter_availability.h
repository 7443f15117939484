#pragma once

#include <optional>

namespace tavr {

// Whether one meter counts as available: online from its first answer, offline after
// kCyclesToOffline cycles in a row without an intact answer.
class MeterAvailability {
  public:
    static constexpr int kCyclesToOffline = 3;

    // Takes one cycle's outcome; the new state when it changed, to be published.
    std::optional<bool> Record(bool answered);
    // The meter's line is gone (its adapter pulled, its port missing): offline at once, without
    // waiting for silent cycles. The new state when it changed.
    std::optional<bool> Lose();

    std::optional<bool> Online() const { return online_; }

  private:
    std::optional<bool> online_;  // nothing until known
    int missed_ = 0;
};

}  // namespace tavr
