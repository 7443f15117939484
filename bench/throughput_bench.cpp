// Byte throughput: the meter simulator answers one read request with a stream of pseudo-random
// bytes (its "garbage" fault) written as fast as the pseudo-terminal takes them, and the window
// thread counts the DataArrival events delivered per second. Three consumers are measured:
//   pty reader  this benchmark reads the line itself, no program: what the source can give
//   delivery    the port control on the real serial unit with a handler that only counts
//   program     the program's own handler (collection, a table decoded every 75 bytes)
//               with the count added after it
// The rate runs from the first event to the last one.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "protocol/frame_codec.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/meter_bench_rig.h"
#include "support/sample_statistics.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(120);
constexpr std::int32_t kMeterAddress = 1;
constexpr double kTargetEventsPerSecond = 1'000'000;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

std::int64_t ProcessCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct StreamRun {
    double eventsPerSecond;
    double cpuNsPerEvent;
};

// Counts the events of one stream and stamps its first and its last.
class StreamCount {
  public:
    void Expect(std::int64_t events) {
        expected_ = events;
        counted_ = 0;
    }
    void Note() {
        ++counted_;
        if (counted_ == 1) {
            first_ = Clock::now();
        }
        if (counted_ == expected_) {
            last_ = Clock::now();
        }
    }
    bool Complete() const { return counted_ >= expected_; }
    double EventsPerSecond() const {
        return static_cast<double>(expected_ - 1) / Seconds(last_ - first_);
    }

  private:
    std::int64_t expected_ = 0;
    std::int64_t counted_ = 0;
    Clock::time_point first_;
    Clock::time_point last_;
};

class ThroughputBench {
  public:
    explicit ThroughputBench(std::int64_t streamBytes) : streamBytes_(streamBytes) {
        Require(rig_.Command("fault garbage " + std::to_string(streamBytes)),
                "the simulator took no garbage fault");
    }

    // Reads the stream straight from the COM link; the program must not hold the port.
    StreamRun ReadLineDirectly() {
        const std::filesystem::path link = rig_.ComLink();
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        Require(fd >= 0, "cannot open " + link.string());
        termios settings{};
        Require(tcgetattr(fd, &settings) == 0, "cannot read the line settings");
        cfmakeraw(&settings);
        Require(tcsetattr(fd, TCSANOW, &settings) == 0, "cannot set the line raw");
        const ByteSet request = BuildReadRequest(kMeterAddress);
        const std::int64_t cpuBefore = ProcessCpuNs();
        Require(write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size()),
                "cannot send the request");
        StreamCount count;
        count.Expect(streamBytes_);
        std::vector<std::uint8_t> buffer(4096);
        const auto deadline = Clock::now() + kPatience;
        while (!count.Complete() && Clock::now() < deadline) {
            pollfd watched{fd, POLLIN, 0};
            poll(&watched, 1, 1000);
            const ssize_t got = read(fd, buffer.data(), buffer.size());
            for (ssize_t i = 0; i < got; ++i) {
                count.Note();
            }
        }
        close(fd);
        Require(count.Complete(), "the stream did not arrive whole");
        return {count.EventsPerSecond(), static_cast<double>(ProcessCpuNs() - cpuBefore) /
                                             static_cast<double>(streamBytes_)};
    }

    void Connect() {
        Require(rig_.Connect(), "connecting to the simulator failed");
        programHandler_ = rig_.Controls().端口1.onDataArrival;
    }

    StreamRun DeliverOnly() {
        rig_.Controls().端口1.onDataArrival = [this](std::int32_t) { count_.Note(); };
        return Stream();
    }

    StreamRun DeliverToProgram() {
        rig_.Controls().端口1.onDataArrival = [this](std::int32_t byte) {
            programHandler_(byte);
            count_.Note();
        };
        return Stream();
    }

    bool Finish() { return rig_.StopSimulator(); }

  private:
    StreamRun Stream() {
        count_.Expect(streamBytes_);
        const std::int64_t cpuBefore = ProcessCpuNs();
        Require(rig_.Controls().端口1.Send(BuildReadRequest(kMeterAddress)),
                "cannot send the request");
        Require(rig_.PumpUntil([this] { return count_.Complete(); }, kPatience),
                "the stream did not arrive whole");
        return {count_.EventsPerSecond(), static_cast<double>(ProcessCpuNs() - cpuBefore) /
                                              static_cast<double>(streamBytes_)};
    }

    std::int64_t streamBytes_;
    MeterBenchRig rig_{{}};
    std::function<void(std::int32_t)> programHandler_;
    StreamCount count_;
};

// `judged`: whether the consumer is the program's, which the target applies to.
void AddVariant(FigureTable& table, const std::string& name, const std::vector<StreamRun>& runs,
                bool judged) {
    std::vector<double> rates;
    std::vector<double> cpu;
    for (const StreamRun& run : runs) {
        rates.push_back(run.eventsPerSecond);
        cpu.push_back(run.cpuNsPerEvent);
    }
    const Spread spread = SpreadOf(rates);
    const double median = Median(rates);
    table.AddRow({name, Fixed(median, 0), Fixed(spread.min, 0), Fixed(spread.max, 0),
                  Fixed(spread.cv * 100, 1), Fixed(Median(cpu), 0),
                  !judged                            ? "-"
                  : median >= kTargetEventsPerSecond ? "met"
                                                     : "MISSED"});
}

int Measure(const CountOptions& options) {
    const std::int64_t runs = options["--runs"];
    ThroughputBench bench(options["--bytes"]);
    std::printf(
        "Byte throughput: %lld streams of %lld bytes per consumer from tavr-meter-sim on "
        "a pseudo-terminal, no window; target %.0f DataArrival events/s\n\n",
        static_cast<long long>(runs), static_cast<long long>(options["--bytes"]),
        kTargetEventsPerSecond);
    std::vector<StreamRun> direct;
    std::vector<StreamRun> delivery;
    std::vector<StreamRun> program;
    for (std::int64_t run = 0; run < runs; ++run) {
        direct.push_back(bench.ReadLineDirectly());
    }
    bench.Connect();
    for (std::int64_t run = 0; run < runs; ++run) {
        delivery.push_back(bench.DeliverOnly());
        program.push_back(bench.DeliverToProgram());
    }
    FigureTable table(
        {"consumer", "events/s median", "min", "max", "CV %", "process CPU ns/event", "target"});
    AddVariant(table, "pty reader (bytes/s)", direct, false);
    AddVariant(table, "delivery", delivery, true);
    AddVariant(table, "program", program, true);
    std::fputs(table.Render().c_str(), stdout);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak resident memory of the benchmark: %.1f MB\n",
                static_cast<double>(usage.ru_maxrss) / 1024);
    Require(bench.Finish(), "the simulator did not end cleanly");
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark("tavr-bench-throughput", argc, argv,
                              {{"--runs", 5, "streams per consumer"},
                               {"--bytes", 1'000'000, "bytes per stream (at most 10000000)"}},
                              tavr::Measure);
}
