#pragma once

#include <cstdint>
#include <optional>

#include "runtime/types.h"
#include "serial/reply_batching.h"
#include "serial/serial_port_properties.h"

namespace tavr {

// What a port's watcher takes from the line's properties.
struct WatcherOptions {
    static WatcherOptions Of(const SerialPortProperties& properties);

    std::optional<std::uint8_t> eventChar;
    // The line's time-out and speed: together they bound a write.
    std::int32_t timeoutMs = 1000;
    std::int32_t baudRate = 9600;
    // Start bit, data bits, parity bit and stop bits (one and a half counted as two).
    std::int32_t characterBits = 10;
    // Hand a reply that comes a byte at a time over in batches (ReplyBatching), where the
    // platform's watcher does not always do so: the Windows companion asks for it, the Windows
    // window's watcher reads as the port's bytes come.
    bool batchReplies = false;

    LinePace Pace() const { return {baudRate, characterBits}; }
};

// The thread that watches an open port for a serial port unit, one kind per platform: it queues
// what the port receives and carries out the unit's writes. It owns the port: destroying it
// stops the thread, within a second whatever the line does, then lets go of the port.
class PortWatcher {
  public:
    virtual ~PortWatcher() = default;

    // Discards the driver's unread input and output, then writes `bytes`. Blocks until the bytes
    // have been handed to the driver or the write failed or timed out.
    virtual bool Write(const ByteSet& bytes) = 0;
};

}  // namespace tavr
