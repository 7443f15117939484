// Long run with the Qt window: the whole program (QtWindowSystem with the main window shown
// offscreen, the real serial unit) against the meter simulator on a pseudo-terminal, its
// measurements live (or, with --frozen 1, still, so that no reply changes the table). Auto-read
// runs with the period box set to 0.001 s, so a new request goes out on the first 1 ms tick after
// each reply: cycles follow each other as fast as the program and the simulator allow, instead of
// one every 3 s. Prints the process's resident memory (VmRSS) at checkpoints of completed cycles,
// its growth since the first checkpoint, and the process's CPU time per cycle between checkpoints.
//
// Then the program is set against a typical Qt master (ReferenceTableMaster: a QTableView on a
// QStandardItemModel fed by Debian's Modbus library on the GUI thread) on the same live
// simulator, in interleaved rounds: the CPU per read cycle of each, side by side. The reference
// reads once on the ticks of a 1 ms timer, like the program's auto-read, which is the comparison,
// and once back to back, which spares it the timer's wake-ups. The program closes its port while
// the reference reads.
//
// A completed cycle is a reply decoded into the table; the benchmark counts the bytes since the
// last auto-read tick as the program collects them (every 75th byte completes a reply).
//
// With --paced 1 it measures instead what a reply costs on a real line: the simulator on a
// pseudo-terminal as before, and the simulator sending at the wire pace of 9600 baud (a byte
// about every millisecond), the program auto-reading every --period-ms, then the reference on
// the same line reading on a timer of the same period. Per reply: the wake-ups of each thread
// (voluntary context switches; "main" is the window thread, the serial unit's watcher is "serial
// watcher", Qt's painting helpers are "Thread (pooled)") and the process's CPU time.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/qt/qt_window_system.h"
#include "protocol/frame_codec.h"
#include "serial/posix/serial_port_unit.h"
#include "simulator_process/simulator_process.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/reference_table_master.h"
#include "support/reply_cost.h"
#include "support/require.h"
#include "support/resident_memory.h"
#include "support/sample_statistics.h"
#include "support/scratch_config_home.h"
#include "support/selected_baud_rate.h"
#include "ui/link_lamp.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kComPort = 7;
constexpr auto kPatience = std::chrono::seconds(30);
// How long a stopped program is left to take the reply to its last request.
constexpr auto kSettling = std::chrono::milliseconds(50);
constexpr int kReferenceBaud = 9600;
constexpr int kReferenceDevice = 1;
// Replies before a measurement of what a reply costs: the first after connecting fills the whole
// table, and its paint (every cell, the scroll bar) is once per connection, not per reply.
constexpr std::int64_t kSettlingReplies = 3;
// Reference cycles before each measured round, which open the line and lay the table out.
constexpr std::int64_t kReferenceWarmUp = 20;
// The auto-read period, and as typed into the period box in seconds.
constexpr int kAutoReadMs = 1;
constexpr const char* kAutoReadPeriodText = "0.001";

struct Checkpoint {
    std::int64_t cycles;
    double seconds;
    std::int64_t residentKb;
    std::int64_t requests;
    double cpuSeconds;
};

// CPU per read cycle of the program and of the reference in one round: the reference reading on
// the ticks of a timer like the program's auto-read, and back to back.
struct Round {
    double programUs;
    double referenceUs;
    double referenceBackToBackUs;
};

// The first checkpoint, then ten evenly spaced up to the last.
std::vector<std::int64_t> CheckpointCycles(std::int64_t first, std::int64_t last) {
    std::set<std::int64_t> cycles{first, last};
    for (int step = 1; step < 10; ++step) {
        cycles.insert(std::max(first, last * step / 10));
    }
    return {cycles.begin(), cycles.end()};
}

std::vector<std::string> SimulatorArguments(bool frozen, bool paced) {
    std::vector<std::string> arguments{"--com", std::to_string(kComPort)};
    if (frozen) {
        arguments.emplace_back("--frozen");
    }
    if (paced) {
        arguments.insert(arguments.end(), {"--paced", "--baud", std::to_string(kReferenceBaud)});
    }
    return arguments;
}

class LongRun {
  public:
    LongRun(const std::vector<std::string>& simulatorArguments, const std::string& periodText)
        : simulator_(TAVR_METER_SIM_PATH, configHome_.Path(), simulatorArguments),
          program_(windowSystem_.Thread(), [](SerialPort::QueueReadyPoster post) {
              return std::make_unique<SerialPortUnit>(std::move(post));
          }) {
        Require(simulator_.Started(), "cannot start " TAVR_METER_SIM_PATH);
        Require(simulator_.WaitForLine("ready ").has_value(), "the simulator offered no line");
        windowSystem_.Show(program_.MainWindow());
        program_.MainWindow().Create();
        CountCycles();
        MeterControls& controls = program_.Controls();
        controls.串口号.SetCurrentSelection(kComPort - 1);
        SelectBaudRate(controls.波特率, kReferenceBaud);
        controls.隔几秒.Type(periodText);
        Connect();
    }

    ~LongRun() {
        simulator_.Send("quit");
        simulator_.WaitForExit();
    }

    std::vector<Checkpoint> Run(const std::vector<std::int64_t>& checkpoints) {
        ToggleAutoRead();
        const Clock::time_point start = Clock::now();
        std::vector<Checkpoint> figures;
        for (const std::int64_t cycles : checkpoints) {
            RunUntil(cycles);
            const auto resident = ResidentKilobytes();
            Require(resident.has_value(), "cannot read VmRSS from /proc/self/status");
            figures.push_back({cycles_, std::chrono::duration<double>(Clock::now() - start).count(),
                               *resident, requests_, ProcessCpuSeconds()});
        }
        ToggleAutoRead();
        return figures;
    }

    // The program auto-reads `cycles` cycles, then the reference reads as many.
    Round CompareWithReference(std::int64_t cycles) {
        Round round{};
        ToggleAutoRead();
        RunUntil(cycles_ + 1);  // the first cycle after a pause is no typical one
        const std::int64_t first = cycles_;
        const double programStart = ProcessCpuSeconds();
        RunUntil(first + cycles);
        round.programUs =
            (ProcessCpuSeconds() - programStart) * 1e6 / static_cast<double>(cycles_ - first);
        ToggleAutoRead();
        Settle();
        program_.Controls().联机按钮.Click();
        Require(program_.Controls().外形框1.FillColour() == kLampDisconnected,
                "disconnecting from the simulator failed");
        {
            ReferenceTableMaster reference(ComLink(), kReferenceBaud, kReferenceDevice);
            for (std::int64_t cycle = 0; cycle < kReferenceWarmUp; ++cycle) {
                reference.Cycle();
            }
            double start = ProcessCpuSeconds();
            reference.CycleOnTimer(cycles, kAutoReadMs);
            round.referenceUs = (ProcessCpuSeconds() - start) * 1e6 / static_cast<double>(cycles);
            start = ProcessCpuSeconds();
            for (std::int64_t cycle = 0; cycle < cycles; ++cycle) {
                reference.Cycle();
            }
            round.referenceBackToBackUs =
                (ProcessCpuSeconds() - start) * 1e6 / static_cast<double>(cycles);
        }
        Connect();
        return round;
    }

    // The program auto-reads `replies` replies after settling.
    ReplyCost ProgramCost(std::int64_t replies) {
        ToggleAutoRead();
        RunUntil(cycles_ + kSettlingReplies);
        const std::int64_t first = cycles_;
        const ReplyCost cost = MeasureReplyCost(replies, [&] { RunUntil(first + replies); });
        ToggleAutoRead();
        Settle();
        return cost;
    }

    // The reference reads `replies` replies on the ticks of a timer of `periodMs`, with the
    // program disconnected.
    ReplyCost ReferenceCost(std::int64_t replies, int periodMs) {
        program_.Controls().联机按钮.Click();
        ReplyCost cost{};
        {
            ReferenceTableMaster reference(ComLink(), kReferenceBaud, kReferenceDevice);
            reference.Cycle();
            cost = MeasureReplyCost(replies, [&] { reference.CycleOnTimer(replies, periodMs); });
        }
        Connect();
        return cost;
    }

  private:
    void Connect() {
        program_.Controls().联机按钮.Click();
        Require(program_.Controls().外形框1.FillColour() == kLampReady,
                "connecting to the simulator failed");
    }

    void ToggleAutoRead() { program_.Controls().自动读取选择框.Click(); }

    // Lets the reply to the last request arrive, so that nothing stale is left on the line.
    void Settle() {
        const Clock::time_point until = Clock::now() + kSettling;
        while (Clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    std::filesystem::path ComLink() const {
        return configHome_.Path() / "TAVR_12864" / "dosdevices" /
               ("com" + std::to_string(kComPort));
    }

    // Watches the port and the auto-read timer the way the program collects a reply.
    void CountCycles() {
        MeterControls& controls = program_.Controls();
        controls.时钟2.onElapsed = [this, &controls, tick = controls.时钟2.onElapsed] {
            requests_ += controls.外形框1.FillColour() == kLampReady ? 1 : 0;
            collected_ = 0;
            tick();
        };
        SerialPort& port = controls.端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            handle(byte);
            if (++collected_ % kReadReplyLength == 0) {
                ++cycles_;
                lastCycle_ = Clock::now();
            }
        };
    }

    void RunUntil(std::int64_t cycles) {
        lastCycle_ = Clock::now();
        while (cycles_ < cycles) {
            Require(Clock::now() - lastCycle_ < kPatience, "the read cycles stopped");
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
    FigureTable table({"cycles", "requests", "elapsed s", "cycles/s", "VmRSS MB",
                       "growth since first kB", "CPU per cycle µs"});
    const Checkpoint& first = checkpoints.front();
    const Checkpoint* previous = nullptr;
    for (const Checkpoint& checkpoint : checkpoints) {
        // Since the checkpoint before; the first one has none.
        std::string cpu = "-";
        if (previous != nullptr && checkpoint.cycles > previous->cycles) {
            cpu = Fixed((checkpoint.cpuSeconds - previous->cpuSeconds) * 1e6 /
                            static_cast<double>(checkpoint.cycles - previous->cycles),
                        1);
        }
        table.AddRow({std::to_string(checkpoint.cycles), std::to_string(checkpoint.requests),
                      Fixed(checkpoint.seconds, 1),
                      Fixed(static_cast<double>(checkpoint.cycles) / checkpoint.seconds, 0),
                      Fixed(static_cast<double>(checkpoint.residentKb) / 1024.0, 2),
                      std::to_string(checkpoint.residentKb - first.residentKb), cpu});
        previous = &checkpoint;
    }
    std::fputs(table.Render().c_str(), stdout);
}

void PrintRounds(const std::vector<Round>& rounds, std::int64_t cycles, bool frozen) {
    std::printf(
        "\nCPU per read cycle against the same %s simulator, %zu interleaved rounds of %lld "
        "cycles: the program with its window, and a typical Qt master (a QTableView on a "
        "QStandardItemModel of 35 x 5 cells, Debian's Modbus library reading on the GUI "
        "thread, setData on every cell), reading on the ticks of a %d ms timer like the "
        "program, and back to back\n",
        frozen ? "frozen" : "live", rounds.size(), static_cast<long long>(cycles), kAutoReadMs);
    FigureTable table({"round", "program µs", "reference µs", "program / reference",
                       "reference back to back µs"});
    std::vector<double> program;
    std::vector<double> reference;
    std::vector<double> backToBack;
    const auto addRow = [&table](const std::string& name, double programUs, double referenceUs,
                                 double backToBackUs) {
        table.AddRow({name, Fixed(programUs, 1), Fixed(referenceUs, 1),
                      Fixed(programUs / referenceUs, 2), Fixed(backToBackUs, 1)});
    };
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        program.push_back(rounds[i].programUs);
        reference.push_back(rounds[i].referenceUs);
        backToBack.push_back(rounds[i].referenceBackToBackUs);
        addRow(std::to_string(i + 1), program.back(), reference.back(), backToBack.back());
    }
    addRow("median", Median(program), Median(reference), Median(backToBack));
    std::fputs(table.Render().c_str(), stdout);
}

int MeasurePaced(const CountOptions& options) {
    const std::int64_t replies = options["--paced-replies"];
    const int periodMs = static_cast<int>(options["--period-ms"]);
    const std::string periodText = Fixed(periodMs / 1000.0, 3);
    std::printf(
        "What a reply costs, %lld replies auto-read every %d ms: the program with its window, "
        "and the typical Qt master reading on a timer of the same period; the simulator on a "
        "pseudo-terminal (a reply in one piece), and paced at the wire pace of %d baud (a byte "
        "about every millisecond). Wake-ups are voluntary context switches per reply.\n",
        static_cast<long long>(replies), periodMs, kReferenceBaud);
    std::vector<ReplyCostRow> rows;
    for (const bool paced : {false, true}) {
        LongRun run(SimulatorArguments(options["--frozen"] != 0, paced), periodText);
        const std::string line = paced ? "paced" : "pty";
        rows.push_back({line, "program", run.ProgramCost(replies)});
        rows.push_back({line, "reference", run.ReferenceCost(replies, periodMs)});
    }
    std::fputs(RenderReplyCosts(rows).c_str(), stdout);
    return 0;
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
    if (options["--paced"] != 0) {
        return MeasurePaced(options);
    }

    LongRun run(SimulatorArguments(options["--frozen"] != 0, false), kAutoReadPeriodText);
    const std::vector<Checkpoint> checkpoints =
        run.Run(CheckpointCycles(options["--first"], options["--cycles"]));
    std::printf(
        "Resident memory and CPU of the program with the Qt window, auto-reading every 1 ms from "
        "the simulator:\n");
    PrintCheckpoints(checkpoints);
    const auto rounds = RepeatRuns(
        options["--rounds"], [&] { return run.CompareWithReference(options["--round-cycles"]); });
    PrintRounds(rounds, options["--round-cycles"], options["--frozen"] != 0);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark(
        "tavr-bench-longrun", argc, argv,
        {{"--cycles", 20000, "completed read cycles in all"},
         {"--first", 100, "cycles before the first measurement, the baseline of growth"},
         {"--rounds", 3, "interleaved rounds of the program and the reference master"},
         {"--round-cycles", 3000, "read cycles of each in a round"},
         {"--frozen", 0,
          "1: the simulator's measurements stay still, so no reply changes the table"},
         {"--paced", 0,
          "1: instead, the wake-ups and CPU per reply on a pseudo-terminal and on a paced line"},
         {"--paced-replies", 40, "replies of each master on each line with --paced 1"},
         {"--period-ms", 500, "the auto-read period with --paced 1"}},
        tavr::Measure);
}
