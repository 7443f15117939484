#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "companion/meter/connection_choice.h"
#include "companion/platform/interrupt_handle.h"
#include "companion/platform/notice_waiter.h"
#include "protocol/read_reply.h"
#include "runtime/types.h"
#include "serial/serial_port_device.h"

namespace tavr {

// How one request to the meter ended.
enum class ExchangeOutcome {
    Answered,     // an intact answer of the device asked
    Silent,       // nothing came back within the time-out
    Garbled,      // something came back, but not an intact answer: dropped
    HungUp,       // the device hung up (a USB adapter pulled); the port must be reopened
    Interrupted,  // the operator interrupted (Ctrl+C)
};

struct ReadOutcome {
    ExchangeOutcome outcome = ExchangeOutcome::Silent;
    ReadReply reply;  // valid when answered
};

struct WriteOutcome {
    ExchangeOutcome outcome = ExchangeOutcome::Silent;
    // Set when the meter answered with a Modbus exception instead of the echo.
    std::uint8_t exceptionCode = 0;
};

// The meter as the command-line companion talks to it: one request at a time, each waiting for
// its answer. The serial unit's watcher thread wakes this thread through a NoticeWaiter, which
// also ends a wait on the operator's interruption, so an idle link costs no CPU.
class MeterLink {
  public:
    // `interrupt`: what is signalled when waiting should stop.
    explicit MeterLink(InterruptHandle interrupt = kNoInterrupt);
    MeterLink(const MeterLink&) = delete;
    MeterLink& operator=(const MeterLink&) = delete;

    // Opens the chosen port (its COM number or its device path) at its baud rate; requests then
    // wait the chosen time-out for their answers.
    SerialOpenResult Open(const ConnectionChoice& connection);
    void Close();

    // Reads all registers of device `deviceId`.
    ReadOutcome ReadRegisters(std::uint8_t deviceId);
    // Writes `value` into the register at `address`; answered when the meter echoed the request.
    WriteOutcome WriteRegister(std::uint8_t deviceId, std::uint16_t address, std::uint16_t value);

    // Sleeps for `pause` unless interrupted first; false when interrupted.
    bool Pause(std::chrono::milliseconds pause) const;

    // How a pause that may be woken ended.
    enum class PauseEnd { Elapsed, Woken, Interrupted };
    // Sleeps for `pause` unless Wake() is called (or bytes arrive on the idle line) or the
    // operator interrupts first.
    PauseEnd PauseUnlessWoken(std::chrono::milliseconds pause);
    // Ends a PauseUnlessWoken early, or the next one when none is running; any thread may call
    // it. A request waiting for its answer takes no notice of it.
    void Wake();

    // How long a request waits for its answer: the line time of request and answer at the open
    // baud rate plus the chosen time-out.
    std::chrono::milliseconds ReplyTimeout() const;

  private:
    struct Collected {
        ByteSet bytes;
        bool hungUp = false;
        bool interrupted = false;
    };

    // Sends `request` and collects what comes back until `expected` bytes have arrived, the
    // time-out has passed, the device hung up or the wait was interrupted.
    Collected Exchange(const ByteSet& request, std::size_t expected);
    // Takes the queued entries into `collected`.
    void TakeQueued(Collected& collected);
    // Waits for the watcher's notice or the interrupt until `deadline`; false when it passed.
    bool WaitForNotice(std::chrono::steady_clock::time_point deadline, Collected& collected);

    NoticeWaiter waiter_;
    std::int32_t baud_ = 2400;
    std::chrono::milliseconds timeout_{1000};
    std::unique_ptr<SerialPortDevice> unit_;
};

}  // namespace tavr
