#pragma once

#include <cstdint>
#include <optional>

#include "ui/meter_controls.h"
#include "ui/reply_collection.h"

namespace tavr {

// Decides when a read request for all registers goes to the meter: on the manual-read button,
// on every tick of the auto-read timer `时钟2`, and once on the re-read timer `时钟1` after a
// register write. A request goes out while the link lamp is green, and also while it is red
// once the last request has gone unanswered for the line's time-out, so that one lost frame
// does not stop reading for good. It never goes out while the meter is still answering.
class ReadCycle {
  public:
    ReadCycle(MeterControls& controls, ReplyCollection& reply);

    // The slave address for the next frame: the leading integer of the device-ID selector's
    // text, low 8 bits (an empty selector gives 0). Taken afresh for every frame.
    std::int32_t CurrentDeviceId() const;
    // The period box `隔几秒` in milliseconds, truncated toward zero; 0 when it holds no number.
    std::int32_t AutoReadPeriod() const;

    // The read request step: resets the reply collection, sends the request if the lamp is
    // green (or the last request is lost), and turns the lamp red. While a reply is arriving it
    // does nothing at all.
    void SendReadRequest();

    // The slave address of the last read request step's request (sent or not): a reply from
    // any other address is not the answer awaited. None before the first step.
    std::optional<std::uint8_t> RequestedDevice() const { return requestedDevice_; }
    // A request, read or write, has just gone out to the meter.
    void NoteRequestSent();
    // A byte has arrived from the meter.
    void NoteByteArrived();

    void OnManualRead();
    void OnAutoReadTick();
    void OnRereadTick();
    void OnAutoReadToggled();
    void OnPeriodChanged();

  private:
    // The auto-read timer runs with the period while the box is ticked, else it stops.
    void ApplyAutoRead();
    // Bytes of a reply have been collected, fewer than a whole one, the last of them so recently
    // that the meter is still sending: a request now would collide with the reply on the bus.
    bool ReplyArriving() const;
    // The last request went out at least the line's time-out ago and no byte has come since.
    bool RequestLost() const;
    std::int64_t Now() const;

    MeterControls& controls_;
    ReplyCollection& reply_;
    std::optional<std::uint8_t> requestedDevice_;
    // When the request still unanswered went out; none once a byte has arrived.
    std::optional<std::int64_t> requestOutstandingSince_;
    std::optional<std::int64_t> lastByteAt_;
};

}  // namespace tavr
