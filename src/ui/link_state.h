#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"

namespace tavr {

// What the link lamp `外形框1` shows.
enum class LinkLamp {
    kNeverConnected,  // not connected since start
    kReady,           // the port opened, or a byte arrived
    kWaiting,         // a request is outstanding, or the link is unusable
    kDisconnected,
};

// The state of the line to the meter as the master sees it: the lamp, the request still
// unanswered, the device whose read reply is awaited, and the bytes of the reply being
// collected. A reply ends by its length: the 75th byte collected completes it, and only then is
// its content looked at. Times are milliseconds on the window thread's clock.
class LinkState {
  public:
    void Opened() { lamp_ = LinkLamp::kReady; }
    void OpenFailed() { lamp_ = LinkLamp::kWaiting; }
    void Closed() { lamp_ = LinkLamp::kDisconnected; }
    LinkLamp Lamp() const { return lamp_; }

    // A read request to `device` has gone out: its intact reply is the one to show.
    void BeginRead(std::uint8_t device, std::int64_t now);
    // A write request has gone out: the awaited read reply stays the same.
    void BeginWrite(std::int64_t now);
    // A read step found the line busy with an earlier request and sent nothing.
    void MarkWaiting() { lamp_ = LinkLamp::kWaiting; }

    // A request may go out: the lamp is green, or the last request is lost.
    bool MaySend(std::int64_t now) const { return lamp_ == LinkLamp::kReady || Lost(now); }
    // The last request went out at least the line's time-out ago and no byte has come since,
    // while the lamp still waits for it.
    bool Lost(std::int64_t now) const;
    // Bytes of a reply have been collected, fewer than a whole one, the last of them so recently
    // that the meter is still sending: a request now would collide with the reply on the line.
    bool Arriving(std::int64_t now) const;
    // How long from `now` until Arriving turns false unless another byte comes; 0 when it is.
    std::int64_t QuietIn(std::int64_t now) const;

    // One byte from the meter: the lamp turns green and, unless collection is paused, the byte
    // is collected. Returns the reply it completes when that is the intact answer of the device
    // the last read request went to.
    std::optional<ReadReply> Accept(std::uint8_t byte, std::int64_t now);

    // Drops the bytes collected so far and collects again (a read step).
    void RestartCollection();
    // Drops the bytes collected so far and collects nothing until the next read step (a
    // register edit begins).
    void PauseCollection();
    bool CollectionPaused() const { return collectionPaused_; }

  private:
    LinkLamp lamp_ = LinkLamp::kNeverConnected;
    std::optional<std::uint8_t> awaitedDevice_;
    // When the request still unanswered went out; none once a byte has arrived.
    std::optional<std::int64_t> outstandingSince_;
    std::optional<std::int64_t> lastByteAt_;
    std::array<std::uint8_t, kReadReplyLength> replyBytes_{};
    std::int32_t replyByteCount_ = 0;
    bool collectionPaused_ = false;
};

}  // namespace tavr
