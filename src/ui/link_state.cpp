#include "ui/link_state.h"

namespace tavr {

namespace {

// The line's time-out: a request unanswered for this long is taken as lost.
constexpr std::int64_t kRequestTimeoutMs = 1000;
// A gap between two bytes of one reply shorter than this means the meter is still sending (a
// byte takes under 5 ms on the wire at the lowest baud rate).
constexpr std::int64_t kReplyGapMs = 100;

}  // namespace

void LinkState::BeginRead(std::uint8_t device, std::int64_t now) {
    awaitedDevice_ = device;
    BeginWrite(now);
}

void LinkState::BeginWrite(std::int64_t now) {
    outstandingSince_ = now;
    lamp_ = LinkLamp::kWaiting;
}

bool LinkState::Lost(std::int64_t now) const {
    return lamp_ == LinkLamp::kWaiting && outstandingSince_ &&
           now - *outstandingSince_ >= kRequestTimeoutMs;
}

bool LinkState::Arriving(std::int64_t now) const {
    return QuietIn(now) > 0;
}

std::int64_t LinkState::QuietIn(std::int64_t now) const {
    if (replyByteCount_ == 0 || replyByteCount_ >= kReadReplyLength || !lastByteAt_) {
        return 0;
    }
    const std::int64_t quietAt = *lastByteAt_ + kReplyGapMs;
    return quietAt > now ? quietAt - now : 0;
}

std::optional<ReadReply> LinkState::Accept(std::uint8_t byte, std::int64_t now) {
    lamp_ = LinkLamp::kReady;
    outstandingSince_.reset();
    lastByteAt_ = now;
    if (collectionPaused_) {
        return std::nullopt;
    }
    replyBytes_[static_cast<std::size_t>(replyByteCount_)] = byte;
    ++replyByteCount_;
    if (replyByteCount_ < kReadReplyLength) {
        return std::nullopt;
    }
    replyByteCount_ = 0;
    ReadReply reply = ParseReadReply(replyBytes_);
    if (!awaitedDevice_ || !reply.IsIntactReplyFrom(*awaitedDevice_)) {
        return std::nullopt;
    }
    return reply;
}

void LinkState::RestartCollection() {
    replyByteCount_ = 0;
    collectionPaused_ = false;
}

void LinkState::PauseCollection() {
    replyByteCount_ = 0;
    collectionPaused_ = true;
}

}  // namespace tavr
