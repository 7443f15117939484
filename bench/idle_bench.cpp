// Idle: the program logic with the real serial unit, connected to the meter simulator on a
// pseudo-terminal and, after one read, left alone. The window thread waits for posts the way a
// message loop does (a blocking wait, no polling). Measures the CPU time of the whole process
// (getrusage) and its wake-ups: the voluntary context switches of each thread, read from
// /proc/self/task/*/status, where each one is a sleep that something ended. The window thread's
// own wait ends once, when the idle period is over; any other wake-up is the program's.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/meter_bench_rig.h"
#include "support/sample_statistics.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);
constexpr double kTargetCpuPercent = 0.1;

// The voluntary and involuntary context switches of one thread or process, from its status file.
struct Switches {
    std::int64_t voluntary = 0;
    std::int64_t involuntary = 0;
};

Switches SwitchesOf(const std::filesystem::path& status) {
    Switches switches;
    std::ifstream file(status);
    std::string name;
    std::int64_t value = 0;
    while (file >> name) {
        if (name == "voluntary_ctxt_switches:" && file >> value) {
            switches.voluntary = value;
        } else if (name == "nonvoluntary_ctxt_switches:" && file >> value) {
            switches.involuntary = value;
        }
    }
    return switches;
}

// The window thread (this process's main thread) apart from all other threads (the watcher).
struct ThreadSwitches {
    Switches window;
    Switches others;
};

ThreadSwitches SwitchesOfThreads() {
    ThreadSwitches threads;
    const std::string windowThread = std::to_string(getpid());
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        const Switches switches = SwitchesOf(task.path() / "status");
        Switches& sum = task.path().filename() == windowThread ? threads.window : threads.others;
        sum.voluntary += switches.voluntary;
        sum.involuntary += switches.involuntary;
    }
    return threads;
}

std::int64_t Microseconds(const timeval& time) {
    return std::int64_t{time.tv_sec} * 1'000'000 + time.tv_usec;
}

struct IdleRun {
    double cpuMs = 0;
    double cpuPercent = 0;
    double processWakeUps = 0;
    double windowWakeUps = 0;
    double watcherWakeUps = 0;
    double preemptions = 0;
    double postsPumped = 0;
    double simulatorWakeUps = 0;
};

class IdleBench {
  public:
    IdleBench() {
        Require(rig_.Connect(), "connecting to the simulator failed");
        const std::uint64_t filled = rig_.Table().Fills();
        rig_.Controls().读取数据.Click();
        Require(rig_.PumpUntil([&] { return rig_.Table().Fills() > filled; }, kPatience),
                "no reply filled the table");
    }

    IdleRun Run(std::chrono::seconds period) {
        const std::filesystem::path simulatorStatus =
            "/proc/" + std::to_string(rig_.Simulator().Pid()) + "/status";
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const ThreadSwitches threadsBefore = SwitchesOfThreads();
        const Switches simulatorBefore = SwitchesOf(simulatorStatus);
        const auto start = Clock::now();

        const std::size_t pumped = IdleFor(start + period);

        const std::chrono::duration<double> elapsed = Clock::now() - start;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const ThreadSwitches threadsAfter = SwitchesOfThreads();
        const Switches simulatorAfter = SwitchesOf(simulatorStatus);

        IdleRun run;
        const auto cpuUs = (Microseconds(after.ru_utime) + Microseconds(after.ru_stime)) -
                           (Microseconds(before.ru_utime) + Microseconds(before.ru_stime));
        run.cpuMs = static_cast<double>(cpuUs) / 1000;
        run.cpuPercent = run.cpuMs / 1000 / elapsed.count() * 100;
        run.processWakeUps = static_cast<double>(after.ru_nvcsw - before.ru_nvcsw);
        run.preemptions = static_cast<double>(after.ru_nivcsw - before.ru_nivcsw);
        run.windowWakeUps =
            static_cast<double>(threadsAfter.window.voluntary - threadsBefore.window.voluntary);
        run.watcherWakeUps =
            static_cast<double>(threadsAfter.others.voluntary - threadsBefore.others.voluntary);
        run.postsPumped = static_cast<double>(pumped);
        run.simulatorWakeUps =
            static_cast<double>(simulatorAfter.voluntary - simulatorBefore.voluntary);
        return run;
    }

    bool Finish() { return rig_.StopSimulator(); }

  private:
    // Waits for posts until `end`, pumping any; returns how many tasks ran.
    std::size_t IdleFor(Clock::time_point end) {
        std::size_t pumped = 0;
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) {
                return pumped;
            }
            if (rig_.Posts().WaitForPost(left)) {
                pumped += rig_.Posts().Pump();
            }
        }
    }

    MeterBenchRig rig_{{}};
};

void PrintRuns(const std::vector<IdleRun>& runs, std::int64_t seconds) {
    FigureTable table({"run", "CPU ms", "CPU % of a core", "wake-ups: process", "window thread",
                       "watcher", "preemptions", "posts pumped", "simulator wake-ups"});
    const auto cells = [](const std::string& name, const IdleRun& run) {
        return std::vector<std::string>{name,
                                        Fixed(run.cpuMs, 3),
                                        Fixed(run.cpuPercent, 4),
                                        Fixed(run.processWakeUps, 0),
                                        Fixed(run.windowWakeUps, 0),
                                        Fixed(run.watcherWakeUps, 0),
                                        Fixed(run.preemptions, 0),
                                        Fixed(run.postsPumped, 0),
                                        Fixed(run.simulatorWakeUps, 0)};
    };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        table.AddRow(cells(std::to_string(i + 1), runs[i]));
    }
    const auto median = [&](double IdleRun::*figure) {
        std::vector<double> values;
        for (const IdleRun& run : runs) {
            values.push_back(run.*figure);
        }
        return Median(values);
    };
    IdleRun medians;
    for (double IdleRun::*figure :
         {&IdleRun::cpuMs, &IdleRun::cpuPercent, &IdleRun::processWakeUps, &IdleRun::windowWakeUps,
          &IdleRun::watcherWakeUps, &IdleRun::preemptions, &IdleRun::postsPumped,
          &IdleRun::simulatorWakeUps}) {
        medians.*figure = median(figure);
    }
    table.AddRow(cells("median", medians));
    std::fputs(table.Render().c_str(), stdout);
    std::printf(
        "\nTarget: no periodic wake-ups (the window thread's one is the end of its %llds "
        "wait) and CPU under %.1f%% of a core: %s\n",
        static_cast<long long>(seconds), kTargetCpuPercent,
        medians.cpuPercent < kTargetCpuPercent && medians.watcherWakeUps == 0 &&
                medians.windowWakeUps <= 1
            ? "met"
            : "MISSED");
}

int Measure(const CountOptions& options) {
    IdleBench bench;
    std::printf(
        "Idle: %lld periods of %lld s connected to tavr-meter-sim on a pseudo-terminal "
        "after one read, no window, the window thread blocked waiting for posts\n\n",
        static_cast<long long>(options["--runs"]), static_cast<long long>(options["--seconds"]));
    const auto runs = RepeatRuns(
        options["--runs"], [&] { return bench.Run(std::chrono::seconds(options["--seconds"])); });
    PrintRuns(runs, options["--seconds"]);
    Require(bench.Finish(), "the simulator did not end cleanly");
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark(
        "tavr-bench-idle", argc, argv,
        {{"--runs", 3, "idle periods"}, {"--seconds", 10, "length of each idle period"}},
        tavr::Measure);
}
