#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavr {

// The line a watcher batches for: its speed and the bits of one character on the wire.
struct LinePace {
    std::int32_t baudRate = 9600;
    std::int32_t characterBits = 10;  // start bit, data bits, parity bit, stop bits
};

// When a port's watcher hands the bytes it has read to the window thread. A real line brings a
// reply a byte at a time (at 9600 baud about one a millisecond), and the kernel wakes a thread
// that watches the port for each of them, whatever VMIN says; this rule lets the watcher sleep
// through a reply instead, with the port unwatched, and look at what the driver holds at
// planned times:
//
// - Idle, the watcher watches the port. The first bytes after a quiet line are delivered at once
//   (the link lamp turns green as before), and a burst begins.
// - During a burst the watcher looks when the answer under way, at the line's wire pace, has
//   come and Modbus's end-of-frame gap (3.5 characters; 1.75 ms above 19200 baud) has passed
//   after it: first as if it were a short answer (a write's echo, 8 bytes; an exception is 5),
//   then as if it were a full reply; and never later than the flood limit after the last
//   delivery.
// - A look delivers everything held once a full reply's worth has come in the burst, once the
//   line has been quiet for the gap (a look that finds nothing new, or fewer bytes than the wire
//   brings in the time since the last look, by more than the gap), or once the flood limit has
//   passed since the last delivery: a continuous stream reaches the window thread at least that
//   often, so its reply-gap rule and its input keep working.
// - After a full reply's worth or a quiet line the watcher watches the port again, so the first
//   byte of the next reply is delivered at once; so it does after a request went out.
//
// A burst that ends where no look is planned (neither a short answer nor a full reply) is
// delivered at the next look, at most the flood limit after the last delivery.
class ReplyBatching {
  public:
    using Clock = std::chrono::steady_clock;

    // The meter's read reply of all its registers, the longest answer on the line.
    static constexpr std::size_t kFullReplyBytes = 75;
    // A write's echo, the longest of the meter's short answers.
    static constexpr std::size_t kShortAnswerBytes = 8;
    static constexpr std::chrono::milliseconds kFloodLimit{50};

    explicit ReplyBatching(LinePace pace, std::size_t fullReplyBytes = kFullReplyBytes);

    // Modbus's end-of-frame gap at this pace.
    std::chrono::microseconds Gap() const { return gap_; }

    // The watcher looked at the port at `now` and read `count` more bytes (0: none). True when
    // every byte read and not yet delivered, these included, is to be delivered now.
    // `quietSeen`: the driver itself ended the read because the line was quiet for the gap after
    // these bytes (a read with an interval time-out), which ends the burst whatever the timing.
    bool Look(Clock::time_point now, std::size_t count, bool quietSeen = false);
    // During a burst, how many more bytes make a full reply's worth: no read needs more.
    std::size_t BytesToFullReply() const { return fullReplyBytes_ - burstBytes_; }
    // When the watcher looks next, with the port unwatched; nothing while it watches the port.
    std::optional<Clock::time_point> NextLook() const;
    // A request went out, or the reading stopped: the burst is over and the watcher watches the
    // port again. True when bytes are held, which are to be delivered now.
    bool Restart();

  private:
    std::chrono::microseconds WireTime(std::size_t characters) const;

    const std::chrono::nanoseconds characterTime_;
    const std::chrono::microseconds gap_;
    const std::size_t fullReplyBytes_;
    bool inBurst_ = false;
    std::size_t burstBytes_ = 0;  // bytes read since the burst began
    std::size_t heldBytes_ = 0;   // bytes read since the last delivery
    Clock::time_point lastDelivery_;
    Clock::time_point lastBytes_;  // the last look that found bytes
    Clock::time_point lastLook_;
};

}  // namespace tavr
