#pragma once

#include <time.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "meter_simulator/com_link.h"
#include "meter_simulator/control_command.h"
#include "meter_simulator/frame_log.h"
#include "meter_simulator/meter_bus.h"
#include "meter_simulator/pseudo_terminal.h"
#include "meter_simulator/request_handler.h"
#include "meter_simulator/simulator_options.h"
#include "meter_simulator/wire_pace.h"
#include "runtime/types.h"

namespace tavr::simulator {

// The running simulator: one thread that waits in poll() for the line, the control channel on
// standard input and the stop signals, and sleeps while nothing is due.
//
// Standard output carries "ready <device> com<n>" each time a line is ready (at start and after
// a hang-up), one answer per control command ("ok ...", "value ..." or "error ..."), and the
// frame log when it goes to "-".
class MeterSimulator {
  public:
    explicit MeterSimulator(SimulatorOptions options);

    // Runs until "quit", SIGINT, SIGTERM, SIGHUP or, when it reads commands, the end of standard
    // input. Returns the exit status: 0, or 1 when the line or the log cannot be set up.
    int Run();

  private:
    using Clock = std::chrono::steady_clock;

    bool Connect(std::string& error);
    void HangUp(std::chrono::milliseconds pause);
    void DropPendingOutput();
    void ReceiveFromLine();
    void Deliver(std::vector<Exchange> exchanges);
    void SendDue(Clock::time_point now);
    void WriteOutbox();
    // How many of the bytes waiting in the outbox may be written now.
    std::size_t ReleasedBytes();
    void RunTimers();
    // Until the next thing due; nothing while nothing is.
    std::optional<timespec> PollTimeout() const;
    void AdvanceLiveValues();
    void ReadCommands();
    void Execute(std::string_view line);
    void ExecuteOnMeters(const ControlCommand& command);
    void Say(const std::string& line);

    SimulatorOptions options_;
    std::chrono::microseconds silenceGap_;
    MeterBus bus_;
    FrameLog log_;
    PseudoTerminal line_;
    ComLink link_;  // after line_: the link goes before the device it names
    Clock::time_point lastTick_ = Clock::now();
    Clock::time_point lastInput_ = Clock::now();
    std::optional<Clock::time_point> reconnectAt_;
    std::multimap<Clock::time_point, Transmission> scheduled_;
    std::optional<WirePace> pace_;  // on a paced line
    ByteSet outbox_;
    std::size_t outboxSent_ = 0;  // bytes of outbox_ already written
    std::string commandText_;
    bool running_ = true;
    int exitStatus_ = 0;
};

}  // namespace tavr::simulator
