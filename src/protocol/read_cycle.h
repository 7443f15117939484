#pragma once

#include <cstdint>

#include "protocol/meter_controls.h"
#include "protocol/reply_collection.h"

namespace tavr {

// Decides when a read request for all registers goes to the meter: on the manual-read button,
// on every tick of the auto-read timer `时钟2`, and once on the re-read timer `时钟1` after a
// register write. A request goes out only while the link lamp is green.
class ReadCycle {
  public:
    ReadCycle(MeterControls& controls, ReplyCollection& reply);

    // The slave address for the next frame: the leading integer of the device-ID selector's
    // text, low 8 bits (an empty selector gives 0). Taken afresh for every frame.
    std::int32_t CurrentDeviceId() const;
    // The period box `隔几秒` in milliseconds, truncated toward zero; 0 when it holds no number.
    std::int32_t AutoReadPeriod() const;

    // The read request step: resets the reply collection, sends the request if the lamp is
    // green, and turns the lamp red.
    void SendReadRequest();

    void OnManualRead();
    void OnAutoReadTick();
    void OnRereadTick();
    void OnAutoReadToggled();
    void OnPeriodChanged();

  private:
    // The auto-read timer runs with the period while the box is ticked, else it stops.
    void ApplyAutoRead();

    MeterControls& controls_;
    ReplyCollection& reply_;
};

}  // namespace tavr
