#pragma once

#include <cstdint>

#include "protocol/meter_controls.h"
#include "protocol/reply_collection.h"
#include "registers/register_catalogue.h"

namespace tavr {

// Collects the bytes the meter sends and turns every complete 75-byte reply into the 35 rows of
// the register table. Nothing of a reply's content is checked: it is recognised by its length.
class ReplyDecoder {
  public:
    ReplyDecoder(MeterControls& controls, ReplyCollection& reply, RegisterCatalogue& catalogue);

    // One received byte (0..255): the link is ready again, and unless a register is being
    // edited the byte is collected; the 75th completes the reply, which is decoded at once.
    void OnReplyByte(std::int32_t byte);

    // Replaces the table's rows one by one with the registers of the collected reply; a reply
    // of fewer than 75 bytes changes nothing.
    void DecodeReply();

  private:
    MeterControls& controls_;
    ReplyCollection& reply_;
    RegisterCatalogue& catalogue_;
};

}  // namespace tavr
