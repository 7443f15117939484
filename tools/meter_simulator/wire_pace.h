#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace tavr::simulator {

// How a paced line hands the simulator's answers over: at the wire pace of its baud rate, one
// character time (10 bits: start, 8 data, stop) per byte, so that the program on the other end
// sees a reply arrive the way a real line brings it. With a group size above 1 the bytes come
// in groups, each once its last byte has crossed the wire, as a USB adapter hands them over.
class WirePace {
  public:
    using Clock = std::chrono::steady_clock;

    WirePace(int baud, std::size_t groupBytes);

    // Bytes are waiting to be sent at `now`; the first of a stream starts its pace.
    void Waiting(Clock::time_point now);
    // How many of the `waiting` bytes may go at `now`; count them as sent.
    std::size_t Release(Clock::time_point now, std::size_t waiting);
    // When the next group is due; nothing while no stream is under way.
    std::optional<Clock::time_point> NextDue() const { return nextDue_; }
    // The bytes waiting were dropped, or all sent: the next ones start a new stream.
    void Stop() { nextDue_.reset(); }

  private:
    std::chrono::nanoseconds GroupTime() const;

    const std::chrono::nanoseconds characterTime_;
    const std::size_t groupBytes_;
    std::optional<Clock::time_point> nextDue_;
};

}  // namespace tavr::simulator
