// Flood with the Qt window: the whole program (QtWindowSystem with the main window shown
// offscreen, the real serial unit) connected to a pseudo-terminal on which a chatty device sends
// pseudo-random bytes, as a USB device picked by mistake would. Three figures:
//   CPU      process CPU (the sending thread's own taken off) while bytes come at a given
//            rate, 11 520 bytes/s by default: 115200 baud
//   memory   resident memory (VmRSS, sampled every 10 ms on a thread of its own, and the
//            kernel's high-water mark VmHWM) before, during and after a flood sent as fast as
//            the pseudo-terminal takes it; the sender stops on its own time, however far the
//            window thread lags
//   Esc      the time from an Esc key press posted to the window during a flood to the window
//            closed
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/qt/qt_window_peer.h"
#include "framework/qt/qt_window_system.h"
#include "serial/posix/serial_port_unit.h"
#include "serial/posix/unique_fd.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/require.h"
#include "support/resident_memory.h"
#include "support/scratch_config_home.h"
#include "ui/link_lamp.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kComPort = 7;
constexpr auto kPatience = std::chrono::seconds(600);
constexpr auto kQuiet = std::chrono::milliseconds(500);

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Megabytes(std::int64_t kilobytes) {
    return static_cast<double>(kilobytes) / 1024.0;
}

std::int64_t StatusField(const char* name) {
    std::ifstream file("/proc/self/status");
    std::stringstream text;
    text << file.rdbuf();
    const auto kilobytes = StatusKilobytes(text.str(), name);
    Require(kilobytes.has_value(), std::string("cannot read ") + name + " from /proc/self/status");
    return *kilobytes;
}

// The device's end of the line: a pseudo-terminal master, the slave linked as the COM port.
class ChattyDevice {
  public:
    explicit ChattyDevice(const std::filesystem::path& configHome)
        : master_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        char name[128];
        Require(master_.Valid() && grantpt(master_.Get()) == 0 && unlockpt(master_.Get()) == 0 &&
                    ptsname_r(master_.Get(), name, sizeof name) == 0,
                "cannot make a pseudo-terminal");
        // Held open so the line never hangs up between the program's connections.
        slave_ = UniqueFd(open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        const std::filesystem::path links = configHome / "TAVR_12864" / "dosdevices";
        std::filesystem::create_directories(links);
        std::filesystem::create_symlink(name, links / ("com" + std::to_string(kComPort)));
        std::mt19937 random(12864);
        noise_.resize(1 << 16);
        for (std::uint8_t& byte : noise_) {
            byte = static_cast<std::uint8_t>(random());
        }
    }

    ~ChattyDevice() { Stop(); }

    // Sends `bytesPerSecond` on average, or as fast as the line takes them for 0, until
    // `duration` has passed or Stop().
    void Start(std::int64_t bytesPerSecond, Clock::duration duration) {
        Stop();
        stop_ = false;
        sending_ = true;
        sent_ = 0;
        sender_ = std::thread([this, bytesPerSecond, duration] {
            Send(bytesPerSecond, Clock::now() + duration);
            sending_ = false;
        });
    }

    bool Sending() const { return sending_; }

    void Stop() {
        stop_ = true;
        if (sender_.joinable()) {
            sender_.join();
        }
    }

    std::int64_t Sent() const { return sent_; }
    double SenderCpuSeconds() const { return senderCpu_; }

  private:
    void Send(std::int64_t bytesPerSecond, Clock::time_point end) {
        const Clock::time_point start = Clock::now();
        std::size_t offset = 0;
        while (!stop_ && Clock::now() < end) {
            std::size_t chunk = noise_.size() - offset;
            if (bytesPerSecond > 0) {
                const auto due =
                    static_cast<std::int64_t>(Seconds(Clock::now() - start) * bytesPerSecond);
                chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(due - sent_));
                if (chunk == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
            }
            const ssize_t written = write(master_.Get(), noise_.data() + offset, chunk);
            if (written > 0) {
                sent_ += written;
                offset = (offset + static_cast<std::size_t>(written)) % noise_.size();
                continue;
            }
            pollfd line{master_.Get(), POLLOUT, 0};
            poll(&line, 1, 50);
        }
        senderCpu_ = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    }

    UniqueFd master_;
    UniqueFd slave_;
    std::vector<std::uint8_t> noise_;
    std::thread sender_;
    std::atomic<bool> stop_{true};
    std::atomic<bool> sending_{false};
    std::atomic<std::int64_t> sent_{0};
    std::atomic<double> senderCpu_{0};
};

// The largest VmRSS seen while it lives, sampled on a thread of its own so that a window thread
// swamped by posted events cannot hide a peak.
class ResidentPeak {
  public:
    ResidentPeak()
        : sampler_([this] {
              while (!stop_) {
                  peak_ = std::max<std::int64_t>(peak_, StatusField("VmRSS"));
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~ResidentPeak() { Stop(); }

    std::int64_t Stop() {
        stop_ = true;
        if (sampler_.joinable()) {
            sampler_.join();
        }
        return peak_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> peak_{0};
    std::thread sampler_;
};

struct Figures {
    double cpuShare = 0;
    std::int64_t pacedRate = 0;
    std::int64_t idleKb = 0;
    std::int64_t peakKb = 0;
    std::int64_t highWaterKb = 0;
    std::int64_t afterKb = 0;
    std::int64_t floodBytes = 0;
    double floodSeconds = 0;
    double drainSeconds = 0;
    double escMs = 0;
};

class FloodRun {
  public:
    FloodRun()
        : device_(configHome_.Path()),
          program_(windowSystem_.Thread(), [](SerialPort::QueueReadyPoster post) {
              return std::make_unique<SerialPortUnit>(std::move(post));
          }) {
        window_ = &windowSystem_.ShowWindow(program_.MainWindow()).Widget();
        heartbeat_.start(20);
        program_.MainWindow().Create();
        MeterControls& controls = program_.Controls();
        controls.串口号.SetCurrentSelection(kComPort - 1);
        controls.联机按钮.Click();
        Require(controls.外形框1.FillColour() == kLampReady, "connecting to the line failed");
        SerialPort& port = controls.端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            handle(byte);
            ++delivered_;
            lastByte_ = Clock::now();
        };
    }

    void MeasureCpu(std::int64_t bytesPerSecond, std::int64_t seconds, Figures& figures) {
        PumpFor(std::chrono::seconds(1));
        figures.idleKb = StatusField("VmRSS");
        const double cpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const Clock::time_point start = Clock::now();
        device_.Start(bytesPerSecond, std::chrono::seconds(seconds));
        PumpWhileSending();
        device_.Stop();
        const double cpu =
            CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore - device_.SenderCpuSeconds();
        figures.cpuShare = cpu / Seconds(Clock::now() - start);
        figures.pacedRate = bytesPerSecond;
        Drain();
    }

    void MeasureFlood(std::int64_t seconds, Figures& figures) {
        const std::int64_t deliveredBefore = delivered_;
        const Clock::time_point start = Clock::now();
        ResidentPeak peak;
        device_.Start(0, std::chrono::seconds(seconds));
        PumpWhileSending();
        device_.Stop();
        const Clock::time_point drainStart = Clock::now();
        figures.floodSeconds = Seconds(drainStart - start);
        figures.floodBytes = device_.Sent();
        Drain();
        figures.peakKb = peak.Stop();
        figures.drainSeconds = Seconds(lastByte_ - drainStart);
        Require(delivered_ - deliveredBefore == figures.floodBytes,
                "the flood did not arrive whole: " + std::to_string(delivered_ - deliveredBefore) +
                    " of " + std::to_string(figures.floodBytes) + " bytes");
        figures.highWaterKb = StatusField("VmHWM");
        figures.afterKb = StatusField("VmRSS");
    }

    void MeasureEsc(std::int64_t floodSeconds, Figures& figures) {
        device_.Start(0, std::chrono::seconds(floodSeconds) + std::chrono::seconds(60));
        PumpFor(std::chrono::seconds(floodSeconds));
        const Clock::time_point pressed = Clock::now();
        QCoreApplication::postEvent(
            window_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        while (!program_.MainWindow().IsClosed()) {
            Require(Clock::now() - pressed < kPatience, "Esc did not close the window");
            PumpOnce();
        }
        figures.escMs = Seconds(Clock::now() - pressed) * 1000;
        device_.Stop();
    }

  private:
    // One round of the event loop that sleeps until an event comes, as the program's own loop
    // does; the heartbeat bounds the sleep so the loops below notice their end. Processing
    // without waiting would spin, and the spinning would be counted as the program's CPU.
    void PumpOnce() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

    void PumpFor(Clock::duration duration) {
        const Clock::time_point end = Clock::now() + duration;
        while (Clock::now() < end) {
            PumpOnce();
        }
    }

    void PumpWhileSending() {
        while (device_.Sending()) {
            PumpOnce();
        }
    }

    // Runs the event loop until no byte has come for a while.
    void Drain() {
        const Clock::time_point start = Clock::now();
        lastByte_ = start;
        while (Clock::now() - lastByte_ < kQuiet) {
            Require(Clock::now() - start < kPatience, "the backlog never drained");
            PumpOnce();
        }
    }

    ScratchConfigHome configHome_;
    ChattyDevice device_;
    QtWindowSystem windowSystem_;
    MeterProgram program_;
    QWidget* window_ = nullptr;
    QTimer heartbeat_;
    std::int64_t delivered_ = 0;
    Clock::time_point lastByte_;
};

void PrintFigures(const Figures& figures) {
    FigureTable table({"figure", "value"});
    table.AddRow({"CPU at " + std::to_string(figures.pacedRate) + " bytes/s, share of a core %",
                  Fixed(figures.cpuShare * 100, 2)});
    table.AddRow({"VmRSS connected, idle MB", Fixed(Megabytes(figures.idleKb), 1)});
    table.AddRow({"flood: bytes sent in " + Fixed(figures.floodSeconds, 1) + " s MB",
                  Fixed(static_cast<double>(figures.floodBytes) / 1e6, 1)});
    table.AddRow({"flood: peak VmRSS sampled MB", Fixed(Megabytes(figures.peakKb), 1)});
    table.AddRow({"flood: VmHWM MB", Fixed(Megabytes(figures.highWaterKb), 1)});
    table.AddRow({"backlog delivered after the flood ended s", Fixed(figures.drainSeconds, 2)});
    table.AddRow({"VmRSS after the flood MB", Fixed(Megabytes(figures.afterKb), 1)});
    table.AddRow({"Esc to window closed during a flood ms", Fixed(figures.escMs, 1)});
    std::fputs(table.Render().c_str(), stdout);
}

int Measure(const CountOptions& options) {
    // Set before the application exists: the window needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char qtName[] = "tavr-bench-flood";
    char* qtArgv[] = {qtName, nullptr};
    QApplication application(qtArgc, qtArgv);

    std::printf(
        "Flood on the program's port, Qt window shown offscreen, real serial unit on a "
        "pseudo-terminal: CPU for %lld s at %lld bytes/s, then a %lld s flood as fast as the line "
        "takes it, then Esc after %lld s of another\n\n",
        static_cast<long long>(options["--paced-seconds"]),
        static_cast<long long>(options["--rate"]), static_cast<long long>(options["--seconds"]),
        static_cast<long long>(options["--esc-after"]));
    Figures figures;
    FloodRun run;
    run.MeasureCpu(options["--rate"], options["--paced-seconds"], figures);
    run.MeasureFlood(options["--seconds"], figures);
    run.MeasureEsc(options["--esc-after"], figures);
    PrintFigures(figures);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark("tavr-bench-flood", argc, argv,
                              {{"--seconds", 30, "length of the flood measured for memory"},
                               {"--rate", 11520, "bytes per second while CPU is measured"},
                               {"--paced-seconds", 10, "length of the CPU measurement"},
                               {"--esc-after", 5, "seconds of flood before Esc is pressed"}},
                              tavr::Measure);
}
