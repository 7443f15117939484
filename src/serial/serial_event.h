#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavr {

// The line events a port raises, by the code its CommEvent handler receives.
enum class CommEventCode : std::int32_t {
    Break = 1,
    CtsOn = 2,
    DsrOn = 3,
    LineError = 4,  // an overrun, parity or framing error
    Ring = 5,
    CarrierOn = 6,
    EventChar = 7,  // raised right before the event character's own DataArrival
    CtsOff = 8,
    DsrOff = 9,
    CarrierLost = 10,  // also what a port that stopped answering raises, once
};

// What the window thread raises for one queued entry of a port.
struct SerialEvent {
    enum class Kind { CommEvent, DataArrival };
    Kind kind;
    std::int32_t argument;  // CommEvent: code 1..10; DataArrival: the received byte 0..255
};

SerialEvent CommEvent(CommEventCode code);

// Appends one DataArrival per received byte, each event character announced right before it.
void AppendReceivedBytes(std::span<const std::uint8_t> bytes, std::optional<std::uint8_t> eventChar,
                         std::vector<SerialEvent>& events);

}  // namespace tavr
