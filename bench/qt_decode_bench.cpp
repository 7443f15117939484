// Reply decoding with the Qt window: the program on QtWindowSystem with its main window shown
// (offscreen), its port a replay stand-in for the serial unit. One sample is one meter reply:
// its 75 bytes are handed to the stand-in, which posts 75 notices to the GUI thread as the
// watcher does; the Qt event loop then runs the delivery, OnReplyByte and DecodeReply, the
// table model's updates into the view, and the repaint of the table that they schedule.
// Replies alternate between two that differ in 0, 5 or 35 registers, so that each changes that
// many registers of the table.
//
// Two times per reply, from handing the bytes over: *filled*, to the return of the DataArrival
// handler that decoded the reply (the table's model is up to date), and *painted*, to the return
// of the event loop round that has told the view of the changed cells and repainted them (with
// nothing changed, nothing is repainted). Plus the process's CPU time per reply. The window
// paints every reply, as it does for replies a display frame or more apart; faster replies share
// one paint per frame (see longrun).
#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QObject>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>
#include <vector>

#include "framework/qt/qt_window_system.h"
#include "protocol/frame_codec.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/meter_reply.h"
#include "support/replay_device.h"
#include "support/require.h"
#include "support/sample_statistics.h"
#include "support/scratch_config_home.h"
#include "ui/link_lamp.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);

// The target CPU time per reply that changes 5 registers.
constexpr double kFiveChangedTargetUs = 300;

// The registers a reply changes: measurements, none of which alters how the others read.
constexpr int kFiveMeasurements[] = {0x03, 0x04, 0x05, 0x07, 0x08};

double MicrosecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::micro>(end - start).count();
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Counts the paints of a widget it filters the events of.
class PaintCount final : public QObject {
  public:
    std::uint64_t Paints() const { return paints_; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints_;
        }
        return false;
    }

  private:
    std::uint64_t paints_ = 0;
};

struct ReplyTimes {
    double filledUs;
    double paintedUs;
};

struct RunFigures {
    std::vector<double> filledUs;
    std::vector<double> paintedUs;
    double cpuUsPerReply = 0;
    double paintsPerReply = 0;
};

// Replies that alternate between `first` and `second`.
struct ReplyPair {
    const char* name;
    ByteSet first;
    ByteSet second;
};

std::vector<int> AllRegisters() {
    std::vector<int> addresses;
    for (int address = 0; address < kRegisterCount; ++address) {
        addresses.push_back(address);
    }
    return addresses;
}

class QtDecodeBench {
  public:
    QtDecodeBench()
        : program_(windowSystem_.Thread(), [this](SerialPort::QueueReadyPoster post) {
              auto device = std::make_unique<ReplayDevice>(std::move(post));
              device_ = device.get();
              return device;
          }) {
        QtWindowPeer& peer = windowSystem_.ShowWindow(program_.MainWindow());
        // Replies come here back to back; each is painted at once, as a reply that comes a
        // display frame or more after the last one is.
        peer.Widget().SetRepaintFrame(std::chrono::nanoseconds::zero());
        program_.MainWindow().Create();
        MeterControls& controls = program_.Controls();
        controls.联机按钮.Click();
        Require(controls.外形框1.FillColour() == kLampReady, "the stand-in port did not open");
        controls.读取数据.Click();  // the replies answer device 1's request
        auto* table = qobject_cast<QAbstractScrollArea*>(peer.WidgetOf(controls.超级列表框1));
        Require(table != nullptr, "the register table has no scrolling view");
        table->viewport()->installEventFilter(&paints_);
        SerialPort& port = controls.端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            handle(byte);
            if (++bytes_ % kReadReplyLength == 0) {
                filledAt_ = Clock::now();
                // Queued behind the work the table queued while the reply was decoded.
                settled_ = false;
                QMetaObject::invokeMethod(
                    &settledContext_, [this] { settled_ = true; }, Qt::QueuedConnection);
            }
        };
        ProcessEventsUntil([this] { return paints_.Paints() > 0; }, "the window was never painted");
    }

    RunFigures Run(std::int64_t replies, std::int64_t warmUp) {
        for (std::int64_t i = 0; i < warmUp; ++i) {
            ReplyOnce();
        }
        RunFigures figures;
        const std::uint64_t paintsBefore = paints_.Paints();
        const double cpuBefore = ProcessCpuSeconds();
        for (std::int64_t i = 0; i < replies; ++i) {
            const ReplyTimes times = ReplyOnce();
            figures.filledUs.push_back(times.filledUs);
            figures.paintedUs.push_back(times.paintedUs);
        }
        figures.cpuUsPerReply =
            (ProcessCpuSeconds() - cpuBefore) * 1e6 / static_cast<double>(replies);
        figures.paintsPerReply =
            static_cast<double>(paints_.Paints() - paintsBefore) / static_cast<double>(replies);
        Require(program_.Controls().超级列表框1.RowCount() == kRegisterCount,
                "the table was not filled");
        return figures;
    }

    // The replies that follow alternate between the two of `pair`.
    void Use(const ReplyPair& pair) { replies_ = {pair.first, pair.second}; }

  private:
    ReplyTimes ReplyOnce() {
        const std::uint64_t awaited = bytes_ + kReadReplyLength;
        const Clock::time_point start = Clock::now();
        device_->Receive(replies_[next_]);
        next_ = 1 - next_;
        ProcessEventsUntil([&] { return bytes_ == awaited && settled_; },
                           "a reply was not decoded in time");
        // The view hears of the changed cells in the round that ran the table's queued work; the
        // repaint that asked for runs in that round or the next.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const Clock::time_point painted = Clock::now();
        return {MicrosecondsSince(start, filledAt_), MicrosecondsSince(start, painted)};
    }

    template <class Done>
    void ProcessEventsUntil(Done done, const char* failure) {
        const Clock::time_point deadline = Clock::now() + kPatience;
        while (!done()) {
            Require(Clock::now() < deadline, failure);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

    ScratchConfigHome configHome_;
    QtWindowSystem windowSystem_;
    ReplayDevice* device_ = nullptr;
    MeterProgram program_;
    PaintCount paints_;
    std::array<ByteSet, 2> replies_;
    int next_ = 0;
    std::uint64_t bytes_ = 0;
    Clock::time_point filledAt_;
    bool settled_ = false;
    QObject settledContext_;
};

void PrintRuns(const std::vector<RunFigures>& runs) {
    FigureTable table({"run", "filled p50 µs", "p99 µs", "painted p50 µs", "p99 µs", "max µs",
                       "CPU per reply µs", "paints per reply"});
    std::vector<std::vector<double>> columns(7);
    const auto addRow = [&](const std::string& name, const std::vector<double>& values) {
        std::vector<std::string> cells{name};
        for (double value : values) {
            cells.push_back(Fixed(value, 1));
        }
        table.AddRow(cells);
    };
    std::vector<double> allFilled;
    std::vector<double> allPainted;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunFigures& run = runs[i];
        const std::vector<double> values{Percentile(run.filledUs, 50),
                                         Percentile(run.filledUs, 99),
                                         Percentile(run.paintedUs, 50),
                                         Percentile(run.paintedUs, 99),
                                         Percentile(run.paintedUs, 100),
                                         run.cpuUsPerReply,
                                         run.paintsPerReply};
        for (std::size_t column = 0; column < values.size(); ++column) {
            columns[column].push_back(values[column]);
        }
        addRow(std::to_string(i + 1), values);
        allFilled.insert(allFilled.end(), run.filledUs.begin(), run.filledUs.end());
        allPainted.insert(allPainted.end(), run.paintedUs.begin(), run.paintedUs.end());
    }
    std::vector<double> medians;
    std::vector<std::string> cvs{"CV %"};
    for (const std::vector<double>& column : columns) {
        medians.push_back(Median(column));
        cvs.push_back(Fixed(SpreadOf(column).cv * 100, 1));
    }
    addRow("median", medians);
    table.AddRow(cvs);
    addRow("all replies", {Percentile(allFilled, 50), Percentile(allFilled, 99),
                           Percentile(allPainted, 50), Percentile(allPainted, 99),
                           Percentile(allPainted, 100), Median(columns[5]), Median(columns[6])});
    std::fputs(table.Render().c_str(), stdout);
}

struct Summary {
    const char* name;
    double paintedP50Us;
    double cpuUsPerReply;
};

void PrintSummary(const std::vector<Summary>& summaries) {
    FigureTable table({"registers changed per reply", "painted p50 µs", "CPU per reply µs"});
    for (const Summary& summary : summaries) {
        table.AddRow(
            {summary.name, Fixed(summary.paintedP50Us, 1), Fixed(summary.cpuUsPerReply, 1)});
    }
    std::fputs(table.Render().c_str(), stdout);
    std::printf("\nTarget: a reply that changes 5 registers takes under %.0f µs of CPU: %s\n",
                kFiveChangedTargetUs,
                summaries[1].cpuUsPerReply < kFiveChangedTargetUs ? "met" : "MISSED");
}

int Measure(const CountOptions& options) {
    // Set before the application exists: the window needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char qtName[] = "tavr-bench-qtdecode";
    char* qtArgv[] = {qtName, nullptr};
    QApplication application(qtArgc, qtArgv);

    const ByteSet plain = SimulatedMeterReply();
    const std::vector<int> all = AllRegisters();
    const std::vector<ReplyPair> pairs{
        {"0", plain, plain},
        {"5", plain, SimulatedMeterReply(kFiveMeasurements)},
        {"35", plain, SimulatedMeterReply(all)},
    };
    QtDecodeBench bench;
    std::vector<Summary> summaries;
    for (const ReplyPair& pair : pairs) {
        bench.Use(pair);
        const auto runs = RepeatRuns(options["--runs"], [&] {
            return bench.Run(options["--replies"], options["--warm-up"]);
        });
        std::printf(
            "Reply decoding with the Qt window (offscreen), each reply changing %s registers, "
            "%lld runs of %lld replies after %lld unmeasured ones:\n",
            pair.name, static_cast<long long>(options["--runs"]),
            static_cast<long long>(options["--replies"]),
            static_cast<long long>(options["--warm-up"]));
        PrintRuns(runs);
        std::printf("\n");
        std::vector<double> painted;
        std::vector<double> cpu;
        for (const RunFigures& run : runs) {
            painted.insert(painted.end(), run.paintedUs.begin(), run.paintedUs.end());
            cpu.push_back(run.cpuUsPerReply);
        }
        summaries.push_back({pair.name, Percentile(painted, 50), Median(cpu)});
    }
    PrintSummary(summaries);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark("tavr-bench-qtdecode", argc, argv,
                              {{"--runs", 5, "runs, each a fresh count of replies"},
                               {"--replies", 2000, "measured replies per run"},
                               {"--warm-up", 200, "replies before each run that are not measured"}},
                              tavr::Measure);
}
