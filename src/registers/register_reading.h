#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"
#include "registers/register_catalogue.h"
#include "registers/register_row.h"
#include "runtime/types.h"

namespace tavr {

// One register of a decoded reply, as every consumer of readings shows it: the register table
// of the window takes `texts`, a command-line or logging consumer may take the number and unit.
struct RegisterReading {
    std::uint16_t address = 0;
    // The raw register value as the meter sent it.
    std::uint16_t raw = 0;
    // The five texts of the register's table row, byte for byte as the table shows them; the
    // remark is texts.remark.
    RegisterRow texts;
    // The number that texts.value shows, with the register's decimals and sign applied (0004H
    // at 1500 with a negative 3-decimal current is -1.5; 0014H at 150, shown "2分30秒", is 150
    // seconds). Empty exactly when texts.value is empty: the decimals of the register are then
    // not "0" to "3".
    std::optional<double> number;
    // The unit after the number ("V", "℃", "秒", ...); empty for a plain count.
    Text unit;
};

using RegisterReadings = std::array<RegisterReading, kRegisterCount>;

// Decodes all registers of a reply, in address order. Register 0002H carries the decimals of
// the voltages 0003H and 001EH and the sign and decimals of the current 0004H: decoding writes
// them into `catalogue` (where they stay until the next reply), so give every reply of one meter
// to the same catalogue. A catalogue loaded with the texts of catalogue_texts.h decodes as the
// window does. The reply is not checked here: check IsIntactReplyFrom first.
RegisterReadings DecodeReadings(const ReadReply& reply, RegisterCatalogue& catalogue);

}  // namespace tavr
