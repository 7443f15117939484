#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "companion/commands/companion.h"
#include "companion/plot/run_plot.h"
#include "settings/config_home_test.h"
#include "simulator_process/simulator_process.h"

namespace tavr {

// What one run of the companion printed and returned.
struct CompanionRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The companion run in-process against the meter simulator, frozen (its measurements stand
// still) and linked as COM7 in a fresh settings folder, logging every frame it receives.
class CompanionTest : public ConfigHomeTest {
  protected:
    static constexpr int kSimulatorCom = 7;

    void SetUp() override {
        ConfigHomeTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        simulator_ = std::make_unique<SimulatorProcess>(
            TAVR_METER_SIM_PATH, Home(),
            std::vector<std::string>{"--com", std::to_string(kSimulatorCom), "--frozen", "--log",
                                     (Home() / "meter.log").string()});
        ASSERT_TRUE(simulator_->Started());
        ASSERT_TRUE(simulator_->WaitForLine("ready ").has_value());
    }

    void TearDown() override {
        simulator_.reset();
        ConfigHomeTest::TearDown();
    }

    // `statusLine`: standard error is taken for a terminal.
    static CompanionRun Run(std::vector<std::string> arguments, bool statusLine = false) {
        std::ostringstream out;
        std::ostringstream err;
        Console console{out, err, statusLine};
        CompanionRun run;
        run.exitCode = RunCompanion(arguments, console, DrawRunPlot);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    // Runs `command` on the simulator's port with the given further arguments.
    static CompanionRun RunOnMeter(const std::string& command,
                                   std::vector<std::string> arguments = {},
                                   bool statusLine = false) {
        arguments.insert(arguments.begin(), {command, "--port", std::to_string(kSimulatorCom)});
        return Run(std::move(arguments), statusLine);
    }

    // Sends a control command ("fault silent", "set 0x09 7000", ...) and waits for its answer.
    void Control(const std::string& command) {
        ASSERT_TRUE(simulator_->Send(command));
        ASSERT_TRUE(simulator_->WaitForLine("ok").has_value()) << command;
    }

    // The value the simulated meter holds in the register at `address`.
    int Get(int address) {
        const std::string name =
            "0x" + std::string(address < 16 ? "000" : "00") +
            (std::ostringstream() << std::uppercase << std::hex << address).str();
        simulator_->Send("get " + name);
        const auto answer = simulator_->WaitForLine("value ");
        return answer ? std::stoi(answer->substr(answer->rfind(' ') + 1)) : -1;
    }

    // How many frames the meter received with function `function` (hexadecimal, "06").
    std::size_t Received(const std::string& function) const {
        std::istringstream log(FileText(Home() / "meter.log"));
        std::size_t count = 0;
        for (std::string line; std::getline(log, line);) {
            const std::size_t mark = line.find(" rx ");
            count += mark != std::string::npos && line.compare(mark + 7, 2, function) == 0;
        }
        return count;
    }

    SimulatorProcess& Simulator() { return *simulator_; }

  private:
    std::unique_ptr<SimulatorProcess> simulator_;
};

}  // namespace tavr
