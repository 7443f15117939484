// Long run with the Qt window: the whole program (QtWindowSystem with the main window shown
// offscreen, the real serial unit) against the meter simulator on a pseudo-terminal, its
// measurements live. Auto-read runs with the period box set to 0.001 s, so a new request goes
// out on the first 1 ms tick after each reply: cycles follow each other as fast as the program
// and the simulator allow, instead of one every 3 s. Prints the process's resident memory
// (VmRSS) at checkpoints of completed cycles, and its growth since the first checkpoint.
//
// A completed cycle is a reply decoded into the table; the benchmark counts the bytes since the
// last auto-read tick as the program collects them (every 75th byte completes a reply).
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/qt/qt_window_system.h"
#include "protocol/frame_codec.h"
#include "protocol/link_lamp.h"
#include "serial/posix/serial_port_unit.h"
#include "simulator_process/simulator_process.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/require.h"
#include "support/resident_memory.h"
#include "support/scratch_config_home.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int ComPort = 7;
constexpr auto Patience = std::chrono::seconds(30);

struct Checkpoint {
    std::int64_t cycles;
    double seconds;
    std::int64_t residentKb;
    std::int64_t requests;
};

// The first checkpoint, then ten evenly spaced up to the last.
std::vector<std::int64_t> CheckpointCycles(std::int64_t first, std::int64_t last) {
    std::set<std::int64_t> cycles{first, last};
    for (int step = 1; step < 10; ++step) {
        cycles.insert(std::max(first, last * step / 10));
    }
    return {cycles.begin(), cycles.end()};
}

class LongRun {
  public:
    LongRun()
        : simulator_(TAVR_METER_SIM_PATH, configHome_.Path(), {"--com", std::to_string(ComPort)}),
          program_(windowSystem_.Thread(), [](SerialPort::QueueReadyPoster post) {
              return std::make_unique<SerialPortUnit>(std::move(post));
          }) {
        Require(simulator_.Started(), "cannot start " TAVR_METER_SIM_PATH);
        Require(simulator_.WaitForLine("ready ").has_value(), "the simulator offered no line");
        windowSystem_.Show(program_.MainWindow());
        program_.MainWindow().Create();
        CountCycles();
        MeterControls& controls = program_.Controls();
        controls.串口号.SetCurrentSelection(ComPort - 1);
        controls.联机按钮.Click();
        Require(controls.外形框1.FillColour() == LampReady, "connecting to the simulator failed");
    }

    ~LongRun() {
        simulator_.Send("quit");
        simulator_.WaitForExit();
    }

    std::vector<Checkpoint> Run(const std::vector<std::int64_t>& checkpoints) {
        MeterControls& controls = program_.Controls();
        controls.隔几秒.Type("0.001");
        controls.自动读取选择框.Click();
        const Clock::time_point start = Clock::now();
        std::vector<Checkpoint> figures;
        for (const std::int64_t cycles : checkpoints) {
            RunUntil(cycles);
            const auto resident = ResidentKilobytes();
            Require(resident.has_value(), "cannot read VmRSS from /proc/self/status");
            figures.push_back({cycles_, std::chrono::duration<double>(Clock::now() - start).count(),
                               *resident, requests_});
        }
        controls.自动读取选择框.Click();
        return figures;
    }

  private:
    // Watches the port and the auto-read timer the way the program collects a reply.
    void CountCycles() {
        MeterControls& controls = program_.Controls();
        controls.时钟2.onElapsed = [this, &controls, tick = controls.时钟2.onElapsed] {
            requests_ += controls.外形框1.FillColour() == LampReady ? 1 : 0;
            collected_ = 0;
            tick();
        };
        SerialPort& port = controls.端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            handle(byte);
            if (++collected_ % ReadReplyLength == 0) {
                ++cycles_;
                lastCycle_ = Clock::now();
            }
        };
    }

    void RunUntil(std::int64_t cycles) {
        lastCycle_ = Clock::now();
        while (cycles_ < cycles) {
            Require(Clock::now() - lastCycle_ < Patience, "the read cycles stopped");
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    ScratchConfigHome configHome_;
    SimulatorProcess simulator_;
    QtWindowSystem windowSystem_;
    MeterProgram program_;
    std::int64_t collected_ = 0;
    std::int64_t cycles_ = 0;
    std::int64_t requests_ = 0;
    Clock::time_point lastCycle_;
};

void PrintCheckpoints(const std::vector<Checkpoint>& checkpoints) {
    FigureTable table(
        {"cycles", "requests", "elapsed s", "cycles/s", "VmRSS MB", "growth since first kB"});
    const Checkpoint& first = checkpoints.front();
    for (const Checkpoint& checkpoint : checkpoints) {
        table.AddRow({std::to_string(checkpoint.cycles), std::to_string(checkpoint.requests),
                      Fixed(checkpoint.seconds, 1),
                      Fixed(static_cast<double>(checkpoint.cycles) / checkpoint.seconds, 0),
                      Fixed(static_cast<double>(checkpoint.residentKb) / 1024.0, 2),
                      std::to_string(checkpoint.residentKb - first.residentKb)});
    }
    std::fputs(table.Render().c_str(), stdout);
}

int Measure(const CountOptions& options) {
    if (options["--first"] > options["--cycles"]) {
        std::fprintf(stderr, "--first must not be more than --cycles\n%s",
                     options.Usage("tavr-bench-longrun").c_str());
        return 2;
    }
    // Set before the application exists: the window needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char qtName[] = "tavr-bench-longrun";
    char* qtArgv[] = {qtName, nullptr};
    QApplication application(qtArgc, qtArgv);

    LongRun run;
    const std::vector<Checkpoint> checkpoints =
        run.Run(CheckpointCycles(options["--first"], options["--cycles"]));
    std::printf(
        "Resident memory of the program with the Qt window, auto-reading every 1 ms from the "
        "simulator:\n");
    PrintCheckpoints(checkpoints);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    tavr::CountOptions options;
    options.Add("--cycles", 20000, "completed read cycles in all");
    options.Add("--first", 100, "cycles before the first measurement, the baseline of growth");
    return tavr::RunBenchmark("tavr-bench-longrun", argc, argv, options, tavr::Measure);
}
