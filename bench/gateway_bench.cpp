// The gateway's figures. First the polling rate of N meters on one line (the simulator's bus
// mode on a pseudo-terminal, one request at a time through the companion's poll cycle) beside
// the wire limit of a real line, N × (8 + 75) × 10 / baud per cycle: a pseudo-terminal has no
// baud rate, so the measured cycle is the program's and the simulator's own time, and a real
// line takes the larger of the two. Then the CPU that `publish` (the real companion program)
// takes with 10 simulated meters every second, sending to a real Mosquitto broker on 127.0.0.1.
//
// With --paced 1 the simulator sends at the wire pace of the baud rate, as a real line does, so
// the measured cycle can be set against the wire's own; the polling rates then also show the
// wake-ups of each thread (voluntary context switches) and the CPU per reply. A paced cycle of
// 20 meters at 9600 baud takes about 1.7 s: give fewer --cycles.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "companion/meter/meter_link.h"
#include "companion/meter/meter_poll_cycle.h"
#include "mqtt_broker.h"
#include "simulator_process/simulator_process.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/reply_cost.h"
#include "support/require.h"
#include "support/scratch_config_home.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kComPort = 7;
constexpr int kRequestBytes = 8;
constexpr int kReplyBytes = 75;
constexpr int kBitsPerByte = 10;
constexpr int kPublishMeters = 10;

double WireSecondsPerCycle(int meters, int baud) {
    return static_cast<double>(meters * (kRequestBytes + kReplyBytes) * kBitsPerByte) / baud;
}

std::unique_ptr<SimulatorProcess> StartBus(const ScratchConfigHome& home, int meters, int baud,
                                           bool paced = false) {
    std::vector<std::string> arguments{"--com",  std::to_string(kComPort),
                                       "--baud", std::to_string(baud),
                                       "--bus",  "1-" + std::to_string(meters)};
    if (paced) {
        arguments.emplace_back("--paced");
    }
    auto simulator =
        std::make_unique<SimulatorProcess>(TAVR_METER_SIM_PATH, home.Path(), arguments);
    Require(simulator->Started() && simulator->WaitForLine("ready ").has_value(),
            "the simulator did not start");
    return simulator;
}

struct PollingFigures {
    double secondsPerCycle;
    ReplyCost cost;  // of every reply, one per meter per cycle
};

// `cycles` cycles, each one read of every meter.
PollingFigures Poll(int meters, int baud, std::int64_t cycles) {
    ConnectionChoice connection;
    connection.port = kComPort;
    connection.baud = baud;
    connection.deviceIds.clear();
    for (int id = 1; id <= meters; ++id) {
        connection.deviceIds.push_back(static_cast<std::uint8_t>(id));
    }
    MeterLink link;
    Require(link.Open(connection).Succeeded(), "the simulator's port did not open");
    MeterPollCycle poll(link, connection.deviceIds, 0);
    const Clock::time_point start = Clock::now();
    const ReplyCost cost = MeasureReplyCost(cycles * meters, [&] {
        for (std::int64_t cycle = 0; cycle < cycles; ++cycle) {
            for (const MeterPoll& meter : poll.Run()) {
                Require(meter.Answered(),
                        "meter " + std::to_string(meter.deviceId) + " did not answer");
            }
        }
    });
    const std::chrono::duration<double> spent = Clock::now() - start;
    link.Close();
    return {spent.count() / static_cast<double>(cycles), cost};
}

void PrintPollingRates(const ScratchConfigHome& home, std::int64_t cycles, bool paced) {
    FigureTable table({"meters", "baud", "measured cycle", "measured cycles/s", "wire cycle",
                       "wire cycles/s", "measured / wire"});
    std::vector<ReplyCostRow> costs;
    for (const int baud : {9600, 115200}) {
        for (const int meters : {1, 5, 10, 20}) {
            const auto simulator = StartBus(home, meters, baud, paced);
            const PollingFigures figures = Poll(meters, baud, cycles);
            const double measured = figures.secondsPerCycle;
            costs.push_back(
                {std::to_string(baud) + " baud", std::to_string(meters) + " meters", figures.cost});
            const double wire = WireSecondsPerCycle(meters, baud);
            table.AddRow({std::to_string(meters), std::to_string(baud),
                          Fixed(measured * 1000, 2) + " ms", Fixed(1 / measured, 1),
                          Fixed(wire * 1000, 2) + " ms", Fixed(1 / wire, 1),
                          Fixed(100 * measured / wire, 1) + " %"});
        }
    }
    std::printf(
        "Polling rate on a %s, %lld cycles each (one read of 35 registers per meter per "
        "cycle)\n%s\n",
        paced ? "line paced at its baud rate" : "pseudo-terminal", static_cast<long long>(cycles),
        table.Render().c_str());
    std::printf("Wake-ups of each thread (voluntary context switches) and CPU, per reply:\n%s\n",
                RenderReplyCosts(costs).c_str());
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

void PrintPublishCpu(const ScratchConfigHome& home, std::int64_t seconds) {
    const auto simulator = StartBus(home, kPublishMeters, 115200);
    const std::filesystem::path folder = home.Path() / "broker";
    std::filesystem::create_directories(folder);
    MqttBroker broker(folder, {});
    Require(broker.Start(), "the broker did not start");
    MqttSubscriber subscriber(broker.Port());
    Require(subscriber.Subscribed(), "the subscriber did not subscribe");

    const std::string url = "mqtt://127.0.0.1:" + std::to_string(broker.Port());
    const std::string duration = std::to_string(seconds) + "s";
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execl(TAVR_CLI_PATH, "tavr-12864-cli", "publish", "--broker", url.c_str(), "--port",
              std::to_string(kComPort).c_str(), "--baud", "115200", "--id", "1-10", "--every", "1",
              "--for", duration.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    Require(wait4(child, &status, 0, &usage) == child, "publish did not end");
    const std::chrono::duration<double> wall = Clock::now() - start;
    Require(WIFEXITED(status) && WEXITSTATUS(status) == 0, "publish failed");
    const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    std::size_t states = 0;
    for (int id = 1; id <= kPublishMeters; ++id) {
        states += subscriber.On("tavr12864/" + std::to_string(id) + "/state").size();
    }
    FigureTable table({"run", "meters", "states received", "user + system CPU", "share of a core"});
    table.AddRow({Fixed(wall.count(), 1) + " s", std::to_string(kPublishMeters),
                  std::to_string(states), Fixed(cpu * 1000, 0) + " ms",
                  Fixed(100 * cpu / wall.count(), 3) + " %"});
    std::printf("publish, %d meters every second at 115200 baud, to a broker on 127.0.0.1\n%s\n",
                kPublishMeters, table.Render().c_str());
}

int Measure(const CountOptions& options) {
    const ScratchConfigHome home;
    PrintPollingRates(home, options["--cycles"], options["--paced"] != 0);
    PrintPublishCpu(home, options["--seconds"]);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    tavr::CountOptions options;
    options.Add("--cycles", 100, "polling cycles per line");
    options.Add("--seconds", 60, "length of the publish run");
    options.Add("--paced", 0, "1: the simulator sends at the wire pace of the baud rate");
    return tavr::RunBenchmark("tavr-bench-gateway", argc, argv, options, tavr::Measure);
}
