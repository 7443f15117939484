#pragma once

#include <cstdint>

#include "ui/link_state.h"
#include "ui/meter_controls.h"

namespace tavr {

// Decides when a read request for all registers goes to the meter: on the manual-read button,
// on every tick of the auto-read timer `时钟2`, and once on the re-read timer `时钟1` after a
// register write. A request goes out while the link is ready (the lamp is green), and also
// once the last request has gone unanswered for the line's time-out, so that one lost frame
// does not stop reading for good. It never goes out while the meter is still answering.
class ReadCycle {
  public:
    ReadCycle(MeterControls& controls, LinkState& link);

    // The slave address for the next frame: the leading integer of the device-ID selector's
    // text, low 8 bits (an empty selector gives 0). Taken afresh for every frame.
    std::int32_t CurrentDeviceId() const;
    // The period box `隔几秒` in milliseconds, truncated toward zero; 0 when it holds no number.
    std::int32_t AutoReadPeriod() const;

    // The read request step: drops the bytes collected so far, sends the request if the link
    // may take one (recording the device whose reply is now awaited), and turns the lamp red.
    // While a reply is arriving it does nothing at all.
    void SendReadRequest();

    void OnManualRead();
    void OnAutoReadTick();
    void OnRereadTick();
    void OnAutoReadToggled();
    void OnPeriodChanged();

  private:
    // The auto-read timer runs with the period while the box is ticked, else it stops.
    void ApplyAutoRead();
    std::int64_t Now() const;

    MeterControls& controls_;
    LinkState& link_;
};

}  // namespace tavr
