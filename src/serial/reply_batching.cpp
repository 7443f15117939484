#include "serial/reply_batching.h"

#include <algorithm>
#include <utility>

namespace tavr {
namespace {

// Above this speed Modbus fixes the end-of-frame gap instead of counting characters.
constexpr std::int32_t kFixedGapAbove = 19200;
constexpr std::chrono::microseconds kFixedGap{1750};

std::chrono::nanoseconds CharacterTime(LinePace pace) {
    const std::int64_t bits = std::max<std::int32_t>(pace.characterBits, 1);
    const std::int64_t baud = std::max<std::int32_t>(pace.baudRate, 1);
    return std::chrono::nanoseconds(bits * 1'000'000'000 / baud);
}

std::chrono::microseconds EndOfFrameGap(LinePace pace, std::chrono::nanoseconds character) {
    if (pace.baudRate > kFixedGapAbove) {
        return kFixedGap;
    }
    return std::chrono::ceil<std::chrono::microseconds>(character * 7 / 2);
}

}  // namespace

ReplyBatching::ReplyBatching(LinePace pace, std::size_t fullReplyBytes)
    : characterTime_(CharacterTime(pace)),
      gap_(EndOfFrameGap(pace, characterTime_)),
      fullReplyBytes_(std::max<std::size_t>(fullReplyBytes, 1)) {}

bool ReplyBatching::Look(Clock::time_point now, std::size_t count, bool quietSeen) {
    if (!inBurst_) {
        if (count == 0) {
            return false;
        }
        // The first bytes after a quiet line go at once; a full reply's worth ends the burst.
        inBurst_ = count < fullReplyBytes_;
        burstBytes_ = count;
        heldBytes_ = 0;
        lastDelivery_ = now;
        lastBytes_ = now;
        lastLook_ = now;
        return true;
    }
    const Clock::time_point previousLook = std::exchange(lastLook_, now);
    // Fewer bytes than the wire brings in the time since the last look, by more than the gap:
    // the line fell quiet at some point in between (they came back to back after that look).
    bool quiet = quietSeen || now - previousLook >= WireTime(count) + gap_;
    if (count > 0) {
        burstBytes_ += count;
        heldBytes_ += count;
        lastBytes_ = now;
    } else {
        quiet = quietSeen || now - lastBytes_ >= gap_;
    }
    if (burstBytes_ >= fullReplyBytes_ || quiet) {
        return Restart();
    }
    if (heldBytes_ == 0) {
        // Nothing waits for the window thread: the flood limit counts from here.
        lastDelivery_ = now;
        return false;
    }
    if (now - lastDelivery_ >= kFloodLimit) {
        heldBytes_ = 0;
        lastDelivery_ = now;
        return true;
    }
    return false;
}

std::optional<ReplyBatching::Clock::time_point> ReplyBatching::NextLook() const {
    if (!inBurst_) {
        return std::nullopt;
    }
    // When the answer under way, if it is a short one, or else the full reply, has come at the
    // wire pace, and the gap after it has passed, so that the look can tell its end.
    const std::size_t expected = burstBytes_ < kShortAnswerBytes
                                     ? std::min(kShortAnswerBytes, fullReplyBytes_)
                                     : fullReplyBytes_;
    return std::min(lastBytes_ + WireTime(expected - burstBytes_) + gap_,
                    lastDelivery_ + std::chrono::duration_cast<Clock::duration>(kFloodLimit));
}

bool ReplyBatching::Restart() {
    const bool held = heldBytes_ > 0;
    inBurst_ = false;
    burstBytes_ = 0;
    heldBytes_ = 0;
    return held;
}

std::chrono::microseconds ReplyBatching::WireTime(std::size_t characters) const {
    return std::chrono::ceil<std::chrono::microseconds>(characterTime_ *
                                                        static_cast<std::int64_t>(characters));
}

}  // namespace tavr
