#pragma once

#include <cstdint>

#include "protocol/read_reply.h"
#include "registers/register_catalogue.h"
#include "registers/register_reading.h"
#include "ui/link_state.h"
#include "ui/meter_controls.h"

namespace tavr {

// Hands the bytes the meter sends to the link state and turns every complete 75-byte reply into
// the 35 rows of the register table. A reply is recognised by its length; it is shown only when
// it is the intact answer of the device the last read request went to.
class ReplyDecoder {
  public:
    ReplyDecoder(MeterControls& controls, LinkState& link, RegisterCatalogue& catalogue);

    // One received byte (0..255): the link is ready again, and unless a register is being
    // edited the byte is collected; the 75th completes the reply, which is shown at once.
    void OnReplyByte(std::int32_t byte);

    // Replaces the table's rows one by one with the readings of `reply`.
    void DecodeReply(const ReadReply& reply);

  private:
    // The table's rows become the readings' texts, each row replaced by a new one.
    void ShowReadings(RegisterReadings& readings);

    MeterControls& controls_;
    LinkState& link_;
    RegisterCatalogue& catalogue_;
};

}  // namespace tavr
