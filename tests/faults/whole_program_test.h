#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/headless_window_thread.h"
#include "settings/config_home_test.h"
#include "simulator_process/simulator_process.h"
#include "ui/meter_program.h"

namespace tavr {

// The whole program with no window, its port on the real serial unit, against the meter
// simulator: a scratch XDG_CONFIG_HOME, `tavr-meter-sim --com 1 --frozen --log -` as a child
// process, and a MeterProgram on a HeadlessWindowThread whose window thread is the test's own.
// The test acts as the operator through the controls and pumps the window thread's posts until
// what it waits for has happened; every wait is bounded by a generous patience.
//
// The simulator's standard output (its answers and its frame log) is kept line by line, so a
// test can count the frames the meter heard.
class WholeProgramTest : public ConfigHomeTest {
  protected:
    static constexpr auto kPatience = std::chrono::seconds(60);

    void SetUp() override;
    void TearDown() override;

    // Builds the main window and raises its created event, which restores the settings.
    void Start();
    // Closes the main window and releases the program.
    void Stop();

    MeterControls& C() { return program_->Controls(); }
    Colour Lamp() { return C().外形框1.FillColour(); }
    void ClickConnect() { C().联机按钮.Click(); }
    void ClickRead() { C().读取数据.Click(); }
    HeadlessWindowThread& WindowThread() { return thread_; }

    // Pumps the window thread's posts until `done` holds; false when it does not in time.
    bool PumpUntil(const std::function<bool()>& done);
    // Pumps the posts that arrive during `span`, however many; used to watch an idle program.
    void PumpFor(std::chrono::milliseconds span);

    // A control command to the simulator, answered with "ok ...".
    bool Command(const std::string& command);
    // Reads the simulator's output up to the next line containing `text`, keeping every line.
    bool AwaitSimulator(std::string_view text);
    // Makes sure that everything the simulator did before now is in its kept output.
    bool SyncWithSimulator();
    // How many kept lines of the simulator's output contain `text` (" rx " for heard frames).
    std::size_t SimulatorLines(std::string_view text) const;

    // The simulator's 35 registers, as it holds them now.
    std::vector<std::uint16_t> MeterRegisters();
    // The table holds one row per register showing `values` (raw, hexadecimal and address
    // columns).
    void ExpectTableShows(const std::vector<std::uint16_t>& values);

    // The device that COM1's link names: the simulator's end of the line, as the program opens it.
    std::filesystem::path LineDevice() const;

    // Bytes raised as DataArrival since Start().
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    // Line events raised since Start() (the program binds none; the test watches them).
    const std::vector<std::int32_t>& LineEvents() const { return lineEvents_; }
    // How many DataArrival events left the table with a row count other than 0 or 35.
    std::uint64_t PartTablesSeen() const { return partTablesSeen_; }

  private:
    void WatchThePort();

    std::unique_ptr<SimulatorProcess> simulator_;
    std::vector<std::string> simulatorLines_;
    HeadlessWindowThread thread_;
    std::optional<MeterProgram> program_;
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t partTablesSeen_ = 0;
    std::vector<std::int32_t> lineEvents_;
};

}  // namespace tavr
