#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/headless_window_thread.h"
#include "simulator_process/simulator_process.h"
#include "support/require.h"
#include "support/scratch_config_home.h"
#include "support/table_fill_watch.h"
#include "ui/meter_program.h"

namespace tavr {

// The whole program logic with no window, its port on the real serial unit, against the meter
// simulator on a pseudo-terminal: a scratch XDG_CONFIG_HOME, the simulator as a child process
// linked there as a COM port, and a MeterProgram on a HeadlessWindowThread whose window
// thread is the calling thread. The table has a TableFillWatch attached.
class MeterBenchRig {
  public:
    struct Setup {
        // Given to the simulator besides its COM port number.
        std::vector<std::string> simulatorArguments{"--frozen"};
        // Called right before the unit posts a notice to the window thread: on the watcher thread
        // when it queues entries and no notice is outstanding (and on the window thread when a
        // delivery leaves entries behind). Nothing: the unit posts directly.
        std::function<void()> onNoticePosted;
    };

    static constexpr int kComPort = 7;

    // Throws std::runtime_error when the simulator does not start or offer its line.
    explicit MeterBenchRig(Setup setup);
    MeterBenchRig(const MeterBenchRig&) = delete;
    MeterBenchRig& operator=(const MeterBenchRig&) = delete;

    MeterControls& Controls() { return program_->Controls(); }
    QueuedPoster& Posts() { return thread_.Posts(); }
    SimulatorProcess& Simulator() { return simulator_; }
    const TableFillWatch& Table() const { return tableWatch_; }
    // The link that names the simulator's line as the COM port.
    std::filesystem::path ComLink() const;

    // Selects the simulator's COM port and clicks connect; true when the lamp turned green.
    bool Connect();
    // Clicks the connect button of a connected program; true when the port has been closed.
    bool Disconnect();
    // Sends a control command to the simulator and waits for its "ok" answer.
    bool Command(const std::string& command);
    // Waits for posts and pumps them until `done` holds; false when it does not within
    // `patience`.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds patience);
    // Ends the simulator through its control channel; true when it ended cleanly.
    bool StopSimulator();

  private:
    SerialPort::DeviceFactory UnitFactory() const;

    ScratchConfigHome configHome_;
    SimulatorProcess simulator_;
    std::function<void()> onNoticePosted_;
    HeadlessWindowThread thread_;
    // Outlives the program, which reports to it until the window has closed.
    TableFillWatch tableWatch_;
    std::unique_ptr<MeterProgram> program_;
};

}  // namespace tavr
