// The gateway through a long run of outages: the real `tavr-12864-cli publish --config FILE` as a
// child process, with two lines of three simulated meters each (one of them silent), polled
// every second, sending to a real Mosquitto broker with persistent sessions. Every minute one
// adapter is pulled for 5 s (the simulator's hang-up), every 90 s the broker is stopped and
// started again on the same port, and a subscriber with a lasting session at QoS 1 counts what
// arrives.
//
// Figures: per meter the readings the gateway took (its end summary) against the distinct
// readings the subscriber got (a state message, told apart by its "time"), the readings lost and
// the gaps in the received times set against the outages' windows, the duplicates and when they
// came; the gateway's memory (VmRSS, VmHWM) and CPU (utime + stime of /proc/PID/stat) minute by
// minute. No fault comes in the last 20 s, so the queue has drained when the gateway is stopped.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "companion/log/log_timestamp.h"
#include "mqtt_broker.h"
#include "simulator_process/simulator_process.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/require.h"
#include "support/resident_memory.h"
#include "support/scratch_config_home.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kMetersPerLine = 3;
constexpr int kSilentMeter = 3;  // on the second line
constexpr int kBaud = 9600;
constexpr double kPeriodSeconds = 1;
// A silent meter's time-out fits in the period, so both lines keep to one cycle a second.
constexpr int kTimeoutMs = 500;
constexpr seconds kFirstPull{20};
constexpr seconds kPullEvery{60};
constexpr int kPullMs = 5000;
constexpr seconds kFirstRestart{45};
constexpr seconds kRestartEvery{90};
constexpr milliseconds kBrokerAway{3000};
constexpr seconds kQuietEnd{20};
constexpr seconds kFirstSample{10};
constexpr seconds kSampleEvery{60};
constexpr milliseconds kTick{250};
constexpr seconds kDrainPatience{60};
constexpr seconds kStopPatience{20};
// After its window a pulled line waits for its next attempt to reopen (1 s, doubling), and a
// redelivered message may come a while after the broker is back.
constexpr double kReopenSlackSeconds = 10;
constexpr double kRedeliverySlackSeconds = 15;

struct Line {
    int com;
    std::string name;
    std::vector<std::string> extraArguments;
};

const std::array<Line, 2> kLines{
    {{7, "bank-a", {}}, {8, "bank-b", {"--silent", std::to_string(kSilentMeter)}}}};

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A stretch of wall time (seconds since 1970) in which readings may be missing or repeated.
struct Outage {
    enum class Kind { AdapterPulled, BrokerDown };
    Kind kind;
    std::string line;  // the pulled adapter's line
    double from;
    double to;
};

std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The memory and CPU time of a process, from /proc/PID.
struct ProcessSample {
    double atSeconds = 0;  // since the gateway started
    std::int64_t residentKb = 0;
    std::int64_t peakResidentKb = 0;
    double cpuSeconds = 0;  // user + system
};

// utime and stime, the 14th and 15th fields of /proc/PID/stat, in clock ticks; the name (2nd,
// in parentheses) may hold blanks, so the fields are counted after its closing parenthesis.
double CpuSeconds(pid_t pid) {
    const std::string stat = ReadWhole("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t nameEnd = stat.rfind(')');
    Require(nameEnd != std::string::npos, "cannot read /proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    double ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

ProcessSample SampleProcess(pid_t pid, Clock::time_point start) {
    const std::string status = ReadWhole("/proc/" + std::to_string(pid) + "/status");
    const auto resident = StatusKilobytes(status, "VmRSS");
    const auto peak = StatusKilobytes(status, "VmHWM");
    Require(resident && peak, "cannot read the gateway's memory from /proc");
    return {std::chrono::duration<double>(Clock::now() - start).count(), *resident, *peak,
            CpuSeconds(pid)};
}

// `tavr-12864-cli publish --config FILE` as a child process, its standard error in a file.
class GatewayProcess {
  public:
    GatewayProcess(const std::filesystem::path& config, std::filesystem::path errFile)
        : errFile_(std::move(errFile)) {
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open("/dev/null", O_WRONLY);
            const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            execl(TAVR_CLI_PATH, "tavr-12864-cli", "publish", "--config", config.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        Require(pid_ > 0, "the gateway did not start");
    }
    ~GatewayProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Ends it as systemd stops the service (SIGTERM); its exit status when it ended in time.
    std::optional<int> Stop() {
        kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + kStopPatience;
        int status = 0;
        while (Clock::now() < deadline) {
            if (wait4(pid_, &status, WNOHANG, &usage_) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
            }
            std::this_thread::sleep_for(milliseconds(50));
        }
        return std::nullopt;
    }

    // Its user and system time over its whole life, to the microsecond, once it has ended.
    double EndedCpuSeconds() const { return Seconds(usage_.ru_utime) + Seconds(usage_.ru_stime); }

    std::string Err() const { return ReadWhole(errFile_); }

  private:
    static double Seconds(const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    }

    std::filesystem::path errFile_;
    pid_t pid_ = -1;
    rusage usage_{};
};

std::filesystem::path WriteGatewayFile(const std::filesystem::path& folder, int brokerPort) {
    const std::filesystem::path file = folder / "gateway.toml";
    std::ofstream config(file);
    config << "[broker]\nurl = \"mqtt://127.0.0.1:" << brokerPort << "\"\n";
    for (const Line& line : kLines) {
        config << "\n[[line]]\nport = " << line.com << "\nbaud = " << kBaud << "\nids = \"1-"
               << kMetersPerLine << "\"\nevery = \"" << kPeriodSeconds
               << "s\"\ntimeout_ms = " << kTimeoutMs << "\nname = \"" << line.name << "\"\n";
    }
    return file;
}

std::unique_ptr<SimulatorProcess> StartLine(const ScratchConfigHome& home, const Line& line) {
    std::vector<std::string> arguments{"--com",
                                       std::to_string(line.com),
                                       "--baud",
                                       std::to_string(kBaud),
                                       "--frozen",
                                       "--bus",
                                       "1-" + std::to_string(kMetersPerLine)};
    arguments.insert(arguments.end(), line.extraArguments.begin(), line.extraArguments.end());
    auto simulator =
        std::make_unique<SimulatorProcess>(TAVR_METER_SIM_PATH, home.Path(), arguments);
    Require(simulator->Started() && simulator->WaitForLine("ready ").has_value(),
            "the simulator of " + line.name + " did not start");
    return simulator;
}

// A message as it reached the subscriber, stamped with the wall time it was first seen (to the
// watch's tick).
struct Arrival {
    MqttSubscriber::Received message;
    double at;
};

// Stamps the subscriber's new messages as they come.
class ArrivalLog {
  public:
    explicit ArrivalLog(const MqttSubscriber& subscriber) : subscriber_(subscriber) {}

    void Take() {
        std::vector<MqttSubscriber::Received> messages = subscriber_.Messages();
        const double now = WallSeconds();
        for (std::size_t index = arrivals_.size(); index < messages.size(); ++index) {
            arrivals_.push_back({std::move(messages[index]), now});
        }
    }
    const std::vector<Arrival>& Arrivals() const { return arrivals_; }

  private:
    const MqttSubscriber& subscriber_;
    std::vector<Arrival> arrivals_;
};

std::string StateTopic(const Line& line, int id) {
    return "tavr12864/" + line.name + "/" + std::to_string(id) + "/state";
}

// The readings the gateway took of each meter ("device 2 on bank-a: 581 readings" in its
// summary), by state topic.
std::map<std::string, int> TakenReadings(const std::string& err) {
    std::map<std::string, int> taken;
    const std::regex pattern("device ([0-9]+) on ([A-Za-z0-9_-]+): ([0-9]+) readings");
    for (auto match = std::sregex_iterator(err.begin(), err.end(), pattern);
         match != std::sregex_iterator(); ++match) {
        taken["tavr12864/" + (*match)[2].str() + "/" + (*match)[1].str() + "/state"] =
            std::stoi((*match)[3]);
    }
    return taken;
}

// What one meter's state topic received: its readings' times (distinct, in order) and the
// arrivals of readings seen before.
struct Received {
    std::vector<double> times;
    std::vector<Arrival> duplicates;
};

Received ReceivedOn(const std::vector<Arrival>& arrivals, const std::string& topic) {
    Received received;
    std::set<std::string> seen;
    for (const Arrival& arrival : arrivals) {
        if (arrival.message.topic != topic) {
            continue;
        }
        const std::string time = nlohmann::json::parse(arrival.message.payload)["time"];
        if (!seen.insert(time).second) {
            received.duplicates.push_back(arrival);
            continue;
        }
        const std::optional<double> at = ParseTimestamp(time);
        Require(at.has_value(), "a state's time does not read: " + time);
        received.times.push_back(*at);
    }
    std::sort(received.times.begin(), received.times.end());
    return received;
}

// A stretch between two received readings of a meter longer than one and a half periods: the
// readings in it were either not taken or lost. Only a pulled adapter excuses one: through a
// broker's outage the lines go on polling and their readings wait.
struct Gap {
    enum class Where { InAPull, InABrokerOutage, Elsewhere };
    std::string topic;
    double from;
    double to;
    int missing;
    Where where;
};

bool Overlaps(const Outage& outage, double from, double to) {
    const double end =
        outage.to + (outage.kind == Outage::Kind::AdapterPulled ? kReopenSlackSeconds : 0);
    return from < end && to > outage.from;
}

Gap::Where WhereIs(const std::vector<Outage>& outages, const std::string& line, double from,
                   double to) {
    const auto inA = [&](Outage::Kind kind) {
        return std::any_of(outages.begin(), outages.end(), [&](const Outage& outage) {
            return outage.kind == kind &&
                   (kind == Outage::Kind::BrokerDown || outage.line == line) &&
                   Overlaps(outage, from, to);
        });
    };
    if (inA(Outage::Kind::AdapterPulled)) {
        return Gap::Where::InAPull;
    }
    return inA(Outage::Kind::BrokerDown) ? Gap::Where::InABrokerOutage : Gap::Where::Elsewhere;
}

std::vector<Gap> GapsOf(const std::string& topic, const std::string& line,
                        const std::vector<double>& times, const std::vector<Outage>& outages) {
    std::vector<Gap> gaps;
    for (std::size_t index = 1; index < times.size(); ++index) {
        const double span = times[index] - times[index - 1];
        if (span > 1.5 * kPeriodSeconds) {
            gaps.push_back({topic, times[index - 1], times[index],
                            static_cast<int>(span / kPeriodSeconds + 0.5) - 1,
                            WhereIs(outages, line, times[index - 1], times[index])});
        }
    }
    return gaps;
}

// "2 (16)": the gaps that are `where` and the readings missing in them.
std::string GapCount(const std::vector<Gap>& gaps, Gap::Where where) {
    int count = 0;
    int missing = 0;
    for (const Gap& gap : gaps) {
        if (gap.where == where) {
            ++count;
            missing += gap.missing;
        }
    }
    return std::to_string(count) + " (" + std::to_string(missing) + ")";
}

bool NearARestart(const std::vector<Outage>& outages, double at) {
    return std::any_of(outages.begin(), outages.end(), [at](const Outage& outage) {
        return outage.kind == Outage::Kind::BrokerDown && at >= outage.from &&
               at <= outage.to + kRedeliverySlackSeconds;
    });
}

struct Soak {
    std::vector<Outage> outages;
    std::vector<ProcessSample> samples;
    int pulls = 0;
    int restarts = 0;
    double start = 0;           // wall seconds
    double lifeSeconds = 0;     // from the gateway's start to its end
    double lifeCpuSeconds = 0;  // its user + system time over that
};

std::string Kb(std::int64_t kilobytes) {
    return std::to_string(kilobytes) + " kB";
}

std::string Offset(const Soak& soak, double at) {
    return Fixed(at - soak.start, 1) + " s";
}

void PrintReadings(const Soak& soak, const std::map<std::string, int>& taken,
                   const std::vector<Arrival>& arrivals) {
    FigureTable table({"meter", "taken", "received", "lost", "duplicates",
                       "duplicates away from a restart", "gaps in pulls (readings)",
                       "gaps in broker outages", "gaps elsewhere"});
    std::vector<Gap> unexcused;
    std::vector<std::string> strayDuplicates;
    for (const Line& line : kLines) {
        for (int id = 1; id <= kMetersPerLine; ++id) {
            const std::string topic = StateTopic(line, id);
            const auto found = taken.find(topic);
            const int readings = found != taken.end() ? found->second : -1;
            const Received received = ReceivedOn(arrivals, topic);
            const std::vector<Gap> gaps = GapsOf(topic, line.name, received.times, soak.outages);
            std::copy_if(gaps.begin(), gaps.end(), std::back_inserter(unexcused),
                         [](const Gap& gap) { return gap.where != Gap::Where::InAPull; });
            int stray = 0;
            for (const Arrival& duplicate : received.duplicates) {
                if (!NearARestart(soak.outages, duplicate.at)) {
                    ++stray;
                    strayDuplicates.push_back(topic + " at " + Offset(soak, duplicate.at));
                }
            }
            const bool silent = line.name == kLines[1].name && id == kSilentMeter;
            table.AddRow({line.name + " " + std::to_string(id) + (silent ? " (silent)" : ""),
                          std::to_string(readings), std::to_string(received.times.size()),
                          std::to_string(readings - static_cast<int>(received.times.size())),
                          std::to_string(received.duplicates.size()), std::to_string(stray),
                          GapCount(gaps, Gap::Where::InAPull),
                          GapCount(gaps, Gap::Where::InABrokerOutage),
                          GapCount(gaps, Gap::Where::Elsewhere)});
        }
    }
    std::printf(
        "Readings per meter: taken by the gateway (its summary) and received (distinct "
        "times)\n%s\n",
        table.Render().c_str());
    for (const Gap& gap : unexcused) {
        std::printf(
            "gap %s: %s from %s to %s (%d readings)\n",
            gap.where == Gap::Where::Elsewhere ? "outside every outage" : "in a broker outage",
            gap.topic.c_str(), Offset(soak, gap.from).c_str(), Offset(soak, gap.to).c_str(),
            gap.missing);
    }
    for (const std::string& duplicate : strayDuplicates) {
        std::printf("duplicate away from a restart: %s\n", duplicate.c_str());
    }
}

void PrintOutages(const Soak& soak) {
    std::string pulls;
    std::string restarts;
    for (const Outage& outage : soak.outages) {
        std::string& list = outage.kind == Outage::Kind::AdapterPulled ? pulls : restarts;
        list += (list.empty() ? "" : ", ") + Fixed(outage.from - soak.start, 1) + "-" +
                Fixed(outage.to - soak.start, 1);
    }
    std::printf("Adapter pulls (%s, seconds into the run): %s\nBroker down: %s\n\n",
                kLines[0].name.c_str(), pulls.c_str(), restarts.c_str());
}

// For each pull, when the pulled line's first meter answered last before it and first after it.
void PrintPullRecoveries(const Soak& soak, const std::vector<Arrival>& arrivals) {
    const std::vector<double> times = ReceivedOn(arrivals, StateTopic(kLines[0], 1)).times;
    std::printf(
        "%s 1 around each pull: last reading before, first after, the first's delay "
        "after the adapter was back\n",
        kLines[0].name.c_str());
    for (const Outage& outage : soak.outages) {
        if (outage.kind != Outage::Kind::AdapterPulled) {
            continue;
        }
        const auto after = std::upper_bound(times.begin(), times.end(), outage.from);
        if (after == times.begin() || after == times.end()) {
            continue;
        }
        std::printf("  pulled %s: %s, %s, %s s\n", Offset(soak, outage.from).c_str(),
                    Offset(soak, *(after - 1)).c_str(), Offset(soak, *after).c_str(),
                    Fixed(*after - outage.to, 1).c_str());
    }
    std::printf("\n");
}

void PrintProcess(const Soak& soak) {
    FigureTable table({"at", "VmRSS", "VmHWM", "CPU since the row before", "share of a core"});
    const ProcessSample* before = nullptr;
    for (const ProcessSample& sample : soak.samples) {
        const double cpu = sample.cpuSeconds - (before ? before->cpuSeconds : 0);
        const double wall = sample.atSeconds - (before ? before->atSeconds : 0);
        table.AddRow({Fixed(sample.atSeconds, 0) + " s", Kb(sample.residentKb),
                      Kb(sample.peakResidentKb), Fixed(cpu * 1000, 0) + " ms",
                      Fixed(100 * cpu / wall, 3) + " %"});
        before = &sample;
    }
    std::printf("The gateway's memory and CPU (user + system), from /proc/PID:\n%s\n",
                table.Render().c_str());
    if (soak.samples.size() >= 2) {
        const ProcessSample& first = soak.samples.front();
        const ProcessSample& last = soak.samples.back();
        const double cpu = last.cpuSeconds - first.cpuSeconds;
        const double wall = last.atSeconds - first.atSeconds;
        std::printf(
            "From %s s to the end: VmRSS %+lld kB, CPU %s ms over %s s, %s %% of a core; "
            "whole run %s %% of a core\n",
            Fixed(first.atSeconds, 0).c_str(),
            static_cast<long long>(last.residentKb - first.residentKb),
            Fixed(cpu * 1000, 0).c_str(), Fixed(wall, 0).c_str(),
            Fixed(100 * cpu / wall, 3).c_str(),
            Fixed(100 * last.cpuSeconds / last.atSeconds, 3).c_str());
    }
    std::printf(
        "Its whole life (wait4, to the microsecond): %s ms of CPU over %s s, %s %% of a "
        "core\n",
        Fixed(soak.lifeCpuSeconds * 1000, 1).c_str(), Fixed(soak.lifeSeconds, 1).c_str(),
        Fixed(100 * soak.lifeCpuSeconds / soak.lifeSeconds, 4).c_str());
}

// The number of lines of `err` holding `text`.
int LinesWith(const std::string& err, const std::string& text) {
    int count = 0;
    for (std::size_t at = err.find(text); at != std::string::npos; at = err.find(text, at + 1)) {
        ++count;
    }
    return count;
}

// Waits until every meter's distinct readings reached what the gateway took, or the patience ran
// out.
void WaitForDrain(ArrivalLog& log, const std::map<std::string, int>& taken) {
    const auto deadline = Clock::now() + kDrainPatience;
    while (Clock::now() < deadline) {
        log.Take();
        const bool all = std::all_of(taken.begin(), taken.end(), [&](const auto& meter) {
            return static_cast<int>(ReceivedOn(log.Arrivals(), meter.first).times.size()) >=
                   meter.second;
        });
        if (all) {
            return;
        }
        std::this_thread::sleep_for(milliseconds(500));
    }
}

int Measure(const CountOptions& options) {
    const seconds duration{options["--minutes"] * 60};
    Require(duration > kQuietEnd + kFirstSample, "the run is too short");
    const ScratchConfigHome home;
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
    for (const Line& line : kLines) {
        simulators.push_back(StartLine(home, line));
    }
    const std::filesystem::path brokerFolder = home.Path() / "broker";
    std::filesystem::create_directories(brokerFolder);
    MqttBroker broker(brokerFolder, {.password = std::nullopt, .tls = false, .persistent = true});
    Require(broker.Start(), "the broker did not start");
    MqttSubscriber subscriber(broker.Port());
    Require(subscriber.Subscribed(), "the subscriber did not subscribe");
    ArrivalLog log(subscriber);

    Soak soak;
    soak.start = WallSeconds();
    const Clock::time_point start = Clock::now();
    GatewayProcess gateway(WriteGatewayFile(home.Path(), broker.Port()), home.Path() / "err.log");
    const Clock::time_point faultsEnd = start + duration - kQuietEnd;
    Clock::time_point nextPull = start + kFirstPull;
    Clock::time_point nextRestart = start + kFirstRestart;
    Clock::time_point nextSample = start + kFirstSample;
    while (Clock::now() < start + duration) {
        Require(gateway.Running(), "the gateway ended early:\n" + gateway.Err());
        if (Clock::now() >= nextPull && nextPull < faultsEnd) {
            const double from = WallSeconds();
            Require(simulators.front()->Send("hangup " + std::to_string(kPullMs)),
                    "the simulator took no hang-up");
            soak.outages.push_back(
                {Outage::Kind::AdapterPulled, kLines[0].name, from, from + kPullMs / 1000.0});
            ++soak.pulls;
            nextPull += kPullEvery;
        }
        if (Clock::now() >= nextRestart && nextRestart < faultsEnd) {
            const double from = WallSeconds();
            broker.Stop();
            std::this_thread::sleep_for(kBrokerAway);
            Require(broker.Start(), "the broker did not start again");
            soak.outages.push_back({Outage::Kind::BrokerDown, "", from, WallSeconds()});
            ++soak.restarts;
            nextRestart += kRestartEvery;
        }
        if (Clock::now() >= nextSample) {
            soak.samples.push_back(SampleProcess(gateway.Pid(), start));
            nextSample += kSampleEvery;
        }
        log.Take();
        std::this_thread::sleep_for(kTick);
    }
    soak.samples.push_back(SampleProcess(gateway.Pid(), start));
    const std::optional<int> exitCode = gateway.Stop();
    soak.lifeSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    soak.lifeCpuSeconds = gateway.EndedCpuSeconds();
    const std::string err = gateway.Err();
    Require(exitCode == 0, "the gateway did not end well:\n" + err);
    const std::map<std::string, int> taken = TakenReadings(err);
    Require(taken.size() == kLines.size() * kMetersPerLine,
            "the gateway's summary names not every meter:\n" + err);
    WaitForDrain(log, taken);

    std::printf(
        "gateway soak: %.0f s, 2 lines of %d meters (%s %d silent), every %.0f s; %d "
        "adapter pulls of %d ms, %d broker restarts (%lld ms away)\n",
        std::chrono::duration<double>(duration).count(), kMetersPerLine, kLines[1].name.c_str(),
        kSilentMeter, kPeriodSeconds, soak.pulls, kPullMs, soak.restarts,
        static_cast<long long>(kBrokerAway.count()));
    std::printf(
        "The gateway said: %d \"lost broker\", %d \"reconnected to broker\", %d \"is "
        "back\"\n",
        LinesWith(err, "lost broker"), LinesWith(err, "reconnected to broker"),
        LinesWith(err, " is back"));
    PrintOutages(soak);
    PrintReadings(soak, taken, log.Arrivals());
    PrintPullRecoveries(soak, log.Arrivals());
    PrintProcess(soak);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    tavr::CountOptions options;
    options.Add("--minutes", 10, "length of the run");
    return tavr::RunBenchmark("tavr-bench-gateway-soak", argc, argv, options, tavr::Measure);
}
