#include "support/meter_reply.h"

#include <vector>

#include "meter_simulator/register_bank.h"
#include "meter_simulator/request_handler.h"
#include "protocol/frame_codec.h"
#include "support/require.h"

namespace tavr {

namespace {

// Where register `address`'s low byte stands in a read reply: after the slave, the function code,
// the byte count and the registers before it.
constexpr std::size_t kFirstDataByte = 3;

std::size_t LowByteOf(int address) {
    return kFirstDataByte + static_cast<std::size_t>(address) * 2 + 1;
}

}  // namespace

ByteSet SimulatedMeterReply(std::span<const int> flipped) {
    simulator::RegisterBank bank(1);
    simulator::RequestHandler handler(bank, 1);
    const std::vector<simulator::Exchange> exchanges = handler.Receive(BuildReadRequest(1));
    Require(exchanges.size() == 1 && exchanges[0].answer.has_value() &&
                exchanges[0].answer->bytes.size() == kReadReplyLength,
            "the simulator gave no reply");
    ByteSet reply = exchanges[0].answer->bytes;
    if (flipped.empty()) {
        return reply;
    }
    // Flipped in the answer rather than in the bank: the bank answers only while its device
    // address register holds the device's address.
    for (const int address : flipped) {
        reply[LowByteOf(address)] ^= 1;
    }
    const std::uint16_t crc = Crc16(std::span(reply).first(kReadReplyLength - 2));
    reply[kReadReplyLength - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    reply[kReadReplyLength - 1] = static_cast<std::uint8_t>(crc >> 8);
    return reply;
}

}  // namespace tavr
