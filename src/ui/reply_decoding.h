#pragma once

#include <cstdint>

#include "registers/register_catalogue.h"
#include "registers/register_reading.h"
#include "ui/meter_controls.h"
#include "ui/read_cycle.h"
#include "ui/reply_collection.h"

namespace tavr {

// Collects the bytes the meter sends and turns every complete 75-byte reply into the 35 rows of
// the register table. A reply is recognised by its length; it is shown only when it is the
// intact answer of the device the last read request went to.
class ReplyDecoder {
  public:
    ReplyDecoder(MeterControls& controls, ReplyCollection& reply, RegisterCatalogue& catalogue,
                 ReadCycle& readCycle);

    // One received byte (0..255): the link is ready again, and unless a register is being
    // edited the byte is collected; the 75th completes the reply, which is decoded at once.
    void OnReplyByte(std::int32_t byte);

    // Replaces the table's rows one by one with the readings of the collected reply. A reply
    // from another slave address, with another function or byte count, or with a wrong checksum
    // changes nothing: the table keeps what it shows.
    void DecodeReply();

  private:
    // The table's rows become the readings' texts, each row replaced by a new one.
    void ShowReadings(RegisterReadings& readings);

    MeterControls& controls_;
    ReplyCollection& reply_;
    RegisterCatalogue& catalogue_;
    ReadCycle& readCycle_;
};

}  // namespace tavr
