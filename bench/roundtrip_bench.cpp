// Read round trip: the program logic with the real serial unit against the meter simulator on a
// pseudo-terminal, manual reads back to back. Prints read cycles per second, the round trip of
// a cycle (click on the read button to the table filled) and the program's own latency per
// cycle, and sets that latency against the wire time of a cycle at each selectable baud rate.
//
// Each run also reads the same registers of the same simulator on the same pseudo-terminal with
// a plain Modbus RTU master from Debian's library (ReferenceMaster), back to back, which decodes
// nothing; the program lets go of the line for it and connects again after. The ratio of the
// program's round trip to the reference's is printed per run.
//
// The program's latency runs from the moment the port's watcher thread has queued the reply's
// bytes and posted its notice (stamped on the watcher thread, through the notice poster that the
// port's device factory hands the unit; the simulator writes a reply at once, so the watcher
// queues it in one read) to the moment the DataArrival handler that completed the reply has
// returned with the table filled (stamped on the window thread). It leaves out only the
// pseudo-terminal's own hand-over of the bytes from the simulator to the watcher, which is
// kernel work; the round trip includes it.
//
// With --paced 1 the simulator sends at the wire pace of 9600 baud (a byte about every
// millisecond), as a real line does; a cycle then takes about 0.1 s, so fewer cycles make a run.
// Both modes also print the wake-ups of each thread (voluntary context switches) and the CPU per
// cycle, of the program and of the reference.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <vector>

#include "protocol/frame_codec.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/meter_bench_rig.h"
#include "support/reference_master.h"
#include "support/reply_cost.h"
#include "support/sample_statistics.h"
#include "support/selected_baud_rate.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);
// The program's baud rate (its selector's default), the reference's, and the pace of a paced
// simulator; a pseudo-terminal itself has no baud delay.
constexpr int kReferenceBaud = 9600;
constexpr int kReferenceDevice = 1;
constexpr int kRequestLength = 8;
constexpr int kBitsPerCharacter = 10;  // start bit, 8 data bits, stop bit
constexpr std::int32_t kSelectableBaudRates[] = {2400, 4800, 9600, 14400, 19200, 38400, 115200};

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// The moment the watcher posted its last notice for the reply to the current request. Armed on
// the window thread while the line is quiet; stamped on the watcher thread. A reply queued in two
// reads may post only for the first part (the notice is still outstanding): the stamp is then
// early and the latency errs long.
class LastByteStamp {
  public:
    void Arm() { stamp_.store(0, std::memory_order_relaxed); }
    void NoticePosted() { stamp_.store(NowNs(), std::memory_order_release); }
    std::int64_t Stamp() const { return stamp_.load(std::memory_order_acquire); }

  private:
    std::atomic<std::int64_t> stamp_{0};
};

struct CycleTimes {
    double roundTripUs;
    double latencyUs;
};

struct RunFigures {
    double cyclesPerSecond;
    std::vector<double> roundTripsUs;
    std::vector<double> latenciesUs;
    double referenceCyclesPerSecond;
    std::vector<double> referenceRoundTripsUs;
    ReplyCost cost;
    ReplyCost referenceCost;
};

std::vector<std::string> SimulatorArguments(bool paced) {
    std::vector<std::string> arguments{"--frozen"};
    if (paced) {
        arguments.insert(arguments.end(), {"--paced", "--baud", std::to_string(kReferenceBaud)});
    }
    return arguments;
}

class RoundTripBench {
  public:
    explicit RoundTripBench(bool paced)
        : rig_({.simulatorArguments = SimulatorArguments(paced),
                .onNoticePosted = [this] { lastByte_.NoticePosted(); }}) {
        SelectBaudRate(rig_.Controls().波特率, kReferenceBaud);
        Require(rig_.Connect(), "connecting to the simulator failed");
        SerialPort& port = rig_.Controls().端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            handle(byte);
            if (filledAt_ == 0 && rig_.Table().Fills() >= fillsAwaited_) {
                filledAt_ = NowNs();
            }
        };
    }

    RunFigures Run(std::int64_t cycles, std::int64_t warmUpCycles) {
        for (std::int64_t cycle = 0; cycle < warmUpCycles; ++cycle) {
            ReadOnce();
        }
        RunFigures figures;
        const auto start = Clock::now();
        figures.cost = MeasureReplyCost(cycles, [&] {
            for (std::int64_t cycle = 0; cycle < cycles; ++cycle) {
                const CycleTimes times = ReadOnce();
                figures.roundTripsUs.push_back(times.roundTripUs);
                figures.latenciesUs.push_back(times.latencyUs);
            }
        });
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        figures.cyclesPerSecond = static_cast<double>(cycles) / elapsed.count();
        RunReference(cycles, warmUpCycles, figures);
        return figures;
    }

    bool Finish() { return rig_.StopSimulator(); }

  private:
    // The program closes its port (it opens it exclusively) while the reference reads.
    void RunReference(std::int64_t cycles, std::int64_t warmUpCycles, RunFigures& figures) {
        Require(rig_.Disconnect(), "disconnecting from the simulator failed");
        {
            ReferenceMaster reference(rig_.ComLink(), kReferenceBaud, kReferenceDevice);
            const auto start = Clock::now();
            // The reference's cost includes its unmeasured warm-up reads.
            figures.referenceCost = MeasureReplyCost(cycles + warmUpCycles, [&] {
                figures.referenceRoundTripsUs = reference.ReadBackToBack(cycles, warmUpCycles);
            });
            const std::chrono::duration<double> elapsed = Clock::now() - start;
            figures.referenceCyclesPerSecond = static_cast<double>(cycles) / elapsed.count();
        }
        Require(rig_.Connect(), "connecting to the simulator again failed");
    }

    CycleTimes ReadOnce() {
        lastByte_.Arm();
        filledAt_ = 0;
        fillsAwaited_ = rig_.Table().Fills() + 1;
        const std::int64_t clickedAt = NowNs();
        rig_.Controls().读取数据.Click();
        Require(rig_.PumpUntil([this] { return filledAt_ != 0; }, kPatience),
                "no reply filled the table in time");
        Require(lastByte_.Stamp() != 0, "the unit posted no notice for the reply");
        return {static_cast<double>(filledAt_ - clickedAt) / 1000.0,
                static_cast<double>(filledAt_ - lastByte_.Stamp()) / 1000.0};
    }

    LastByteStamp lastByte_;
    MeterBenchRig rig_;
    std::uint64_t fillsAwaited_ = 0;
    std::int64_t filledAt_ = 0;
};

std::vector<double> Joined(const std::vector<RunFigures>& runs,
                           std::vector<double> RunFigures::*samples) {
    std::vector<double> joined;
    for (const RunFigures& run : runs) {
        joined.insert(joined.end(), (run.*samples).begin(), (run.*samples).end());
    }
    return joined;
}

void PrintRuns(const std::vector<RunFigures>& runs) {
    FigureTable table({"run", "cycles/s", "round trip p50 µs", "p99 µs", "latency p50 µs", "p99 µs",
                       "max µs", "reference cycles/s", "reference p50 µs", "p99 µs", "ratio p50",
                       "ratio cycles/s"});
    std::vector<std::vector<double>> columns(11);
    const auto addRow = [&](const std::string& name, const std::vector<double>& values) {
        std::vector<std::string> cells{name};
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool count = i == 0 || i == 6;
            const bool ratio = i >= 9;
            cells.push_back(Fixed(values[i], count ? 0 : ratio ? 2 : 1));
        }
        table.AddRow(cells);
    };
    const auto figuresOf = [](double cyclesPerSecond, const std::vector<double>& roundTrips,
                              const std::vector<double>& latencies, double referenceCyclesPerSecond,
                              const std::vector<double>& referenceRoundTrips) {
        const double p50 = Percentile(roundTrips, 50);
        const double referenceP50 = Percentile(referenceRoundTrips, 50);
        return std::vector<double>{cyclesPerSecond,
                                   p50,
                                   Percentile(roundTrips, 99),
                                   Percentile(latencies, 50),
                                   Percentile(latencies, 99),
                                   Percentile(latencies, 100),
                                   referenceCyclesPerSecond,
                                   referenceP50,
                                   Percentile(referenceRoundTrips, 99),
                                   p50 / referenceP50,
                                   referenceCyclesPerSecond / cyclesPerSecond};
    };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunFigures& run = runs[i];
        const std::vector<double> values =
            figuresOf(run.cyclesPerSecond, run.roundTripsUs, run.latenciesUs,
                      run.referenceCyclesPerSecond, run.referenceRoundTripsUs);
        for (std::size_t column = 0; column < values.size(); ++column) {
            columns[column].push_back(values[column]);
        }
        addRow(std::to_string(i + 1), values);
    }
    std::vector<double> medians;
    std::vector<std::string> cvs{"CV %"};
    for (const std::vector<double>& column : columns) {
        medians.push_back(Median(column));
        cvs.push_back(Fixed(SpreadOf(column).cv * 100, 1));
    }
    addRow("median", medians);
    table.AddRow(cvs);
    addRow("all cycles", figuresOf(Median(columns[0]), Joined(runs, &RunFigures::roundTripsUs),
                                   Joined(runs, &RunFigures::latenciesUs), Median(columns[6]),
                                   Joined(runs, &RunFigures::referenceRoundTripsUs)));
    std::fputs(table.Render().c_str(), stdout);
    std::puts(
        "ratio p50: the program's round trip p50 over the reference's; ratio cycles/s: the "
        "reference's cycles/s over the program's (above 1.00 the program is slower)");
}

void PrintWireShares(const std::vector<RunFigures>& runs) {
    const std::vector<double> latencies = Joined(runs, &RunFigures::latenciesUs);
    const double p50 = Percentile(latencies, 50);
    const double p99 = Percentile(latencies, 99);
    FigureTable table({"baud", "wire time of a cycle ms", "latency p50 % of it", "p99 % of it"});
    for (std::int32_t baud : kSelectableBaudRates) {
        const double wireUs = (kRequestLength + kReadReplyLength) * kBitsPerCharacter * 1e6 / baud;
        table.AddRow({std::to_string(baud), Fixed(wireUs / 1000, 2), Fixed(p50 / wireUs * 100, 3),
                      Fixed(p99 / wireUs * 100, 3)});
    }
    std::printf(
        "\nWire time of a cycle, (8 + 75) x 10 bits / baud, against the program's latency "
        "over all cycles (p50 %.1f µs, p99 %.1f µs):\n",
        p50, p99);
    std::fputs(table.Render().c_str(), stdout);
}

// Wake-ups and CPU per cycle over all runs.
void PrintCosts(const std::vector<RunFigures>& runs, bool paced) {
    ReplyCost program;
    ReplyCost reference;
    for (const RunFigures& run : runs) {
        for (const auto& [name, count] : run.cost.wakeups) {
            program.wakeups[name] += count;
        }
        for (const auto& [name, count] : run.referenceCost.wakeups) {
            reference.wakeups[name] += count;
        }
        program.replies += run.cost.replies;
        program.cpuSeconds += run.cost.cpuSeconds;
        reference.replies += run.referenceCost.replies;
        reference.cpuSeconds += run.referenceCost.cpuSeconds;
    }
    const std::string line = paced ? "paced" : "pty";
    std::puts("\nWake-ups of each thread (voluntary context switches) and CPU, per cycle:");
    std::fputs(
        RenderReplyCosts({{line, "program", program}, {line, "reference", reference}}).c_str(),
        stdout);
}

int Measure(const CountOptions& options) {
    const bool paced = options["--paced"] != 0;
    RoundTripBench bench(paced);
    std::printf(
        "Read round trip: %lld runs of %lld manual reads (after %lld unmeasured), the real "
        "serial unit against tavr-meter-sim on a %s, no window\n"
        "round trip: click on the read button to the table filled; latency: the watcher "
        "queued the last reply byte to the table filled; reference: Debian's Modbus library "
        "reading the 35 registers back to back on the same line, decoding nothing\n\n",
        static_cast<long long>(options["--runs"]), static_cast<long long>(options["--cycles"]),
        static_cast<long long>(options["--warm-up"]),
        paced ? "line paced at 9600 baud" : "pseudo-terminal");
    const auto runs = RepeatRuns(
        options["--runs"], [&] { return bench.Run(options["--cycles"], options["--warm-up"]); });
    PrintRuns(runs);
    PrintWireShares(runs);
    PrintCosts(runs, paced);
    Require(bench.Finish(), "the simulator did not end cleanly");
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark(
        "tavr-bench-roundtrip", argc, argv,
        {{"--runs", 5, "runs, each a fresh count of cycles"},
         {"--cycles", 2000, "measured read cycles per run"},
         {"--warm-up", 100, "read cycles before each run that are not measured"},
         {"--paced", 0,
          "1: the simulator sends at the wire pace of 9600 baud (use fewer cycles, e.g. "
          "--cycles 50 --warm-up 5)"}},
        tavr::Measure);
}
