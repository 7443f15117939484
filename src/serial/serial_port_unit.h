#pragma once

#include <cstdint>
#include <functional>

#include "runtime/types.h"
#include "runtime/value.h"

namespace tavr {

// What the window thread raises for one queued entry of the unit.
struct SerialEvent {
    enum class Kind { CommEvent, DataArrival };
    Kind kind;
    std::int32_t argument;  // CommEvent: code 1..10; DataArrival: the received byte 0..255
};

// The serial port unit: line properties, open/close, a watcher thread that reads every byte
// and performs writes, and an event queue drained on the window thread.
class SerialPortUnit {
public:
    // Called on the watcher thread once per queued entry. It must be thread-safe and arrange for
    // DeliverQueued() to run on the window thread (a posted notice).
    using QueueReadyPoster = std::function<void()>;
    // Raised on the window thread for each delivered entry; false stops the delivery (the
    // window is gone).
    using EventSink = std::function<bool(const SerialEvent&)>;

    explicit SerialPortUnit(QueueReadyPoster postQueueReady);
    ~SerialPortUnit();  // closes the port
    SerialPortUnit(const SerialPortUnit&) = delete;
    SerialPortUnit& operator=(const SerialPortUnit&) = delete;

    // Properties 8..19. Writing stores the clamped value; Open applies it.
    std::int32_t PortNumber() const;
    void SetPortNumber(std::int32_t value);
    std::int32_t BaudRate() const;
    void SetBaudRate(std::int32_t value);
    // ... DataBits, StopBits, ParityCheck, EventChar (Text), Timeout, OpenOnCreate, Parity,
    // FlowControl, RtsMode, DtrMode likewise.

    bool Open();
    void Close();
    bool IsOpen() const;

    // Blocks the calling (window) thread until the watcher has written the bytes or failed.
    bool Send(const Value& data);

    // Window thread: takes every queued entry and raises each, in order, through `sink` until
    // it returns false. Touches no member after taking the entries, so `sink` may destroy
    // the unit.
    void DeliverQueued(const EventSink& sink);
};

}  // namespace tavr
