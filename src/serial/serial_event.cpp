#include "serial/serial_event.h"

namespace tavr {

SerialEvent CommEvent(CommEventCode code) {
    return {SerialEvent::Kind::CommEvent, static_cast<std::int32_t>(code)};
}

void AppendReceivedBytes(std::span<const std::uint8_t> bytes, std::optional<std::uint8_t> eventChar,
                         std::vector<SerialEvent>& events) {
    for (const std::uint8_t byte : bytes) {
        if (eventChar == byte) {
            events.push_back(CommEvent(CommEventCode::EventChar));
        }
        events.push_back({SerialEvent::Kind::DataArrival, byte});
    }
}

}  // namespace tavr
