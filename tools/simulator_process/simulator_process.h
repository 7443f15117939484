#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// The meter simulator as a child process, with its standard input and output on pipes, run the
// way the tests and the benchmarks use it: its COM links go under `configHome` (its
// XDG_CONFIG_HOME), commands go to its standard input and its answers are read line by line.
// Every wait is bounded by `patience`. Destroying the object kills a simulator still running.
class SimulatorProcess {
  public:
    using Clock = std::chrono::steady_clock;

    SimulatorProcess(const std::filesystem::path& program, const std::filesystem::path& configHome,
                     std::vector<std::string> arguments,
                     std::chrono::milliseconds patience = std::chrono::seconds(20));
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // False when the process could not be started.
    bool Started() const { return started_; }
    pid_t Pid() const { return pid_; }

    // The next line of standard output that contains `text`, skipping others; nothing at the end
    // of the output or when the patience runs out.
    std::optional<std::string> WaitForLine(std::string_view text);

    // Writes one command line; false when it could not be written whole.
    bool Send(const std::string& command);
    // Ends the control channel, which ends a simulator that reads commands.
    void CloseInput();
    void Signal(int signal);

    // The exit status once the process has ended; nothing when it did not end in time or was
    // ended by a signal.
    std::optional<int> WaitForExit();

  private:
    // False at the end of the output or when the deadline has passed.
    bool ReadOutput(Clock::time_point deadline);

    std::chrono::milliseconds patience_;
    pid_t pid_ = -1;
    bool started_ = false;
    int input_ = -1;
    int output_ = -1;
    std::string received_;
};

}  // namespace tavr
