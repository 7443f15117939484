#include "support/meter_reply.h"

#include <vector>

#include "meter_simulator/register_bank.h"
#include "meter_simulator/request_handler.h"
#include "protocol/frame_codec.h"
#include "support/require.h"

namespace tavr {

ByteSet SimulatedMeterReply() {
    simulator::RegisterBank bank(1);
    simulator::RequestHandler handler(bank, 1);
    const std::vector<simulator::Exchange> exchanges = handler.Receive(BuildReadRequest(1));
    Require(exchanges.size() == 1 && exchanges[0].answer.has_value() &&
                exchanges[0].answer->bytes.size() == ReadReplyLength,
            "the simulator gave no reply");
    return exchanges[0].answer->bytes;
}

}  // namespace tavr
