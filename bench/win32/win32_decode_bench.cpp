// Reply decoding with the Win32 window: the program on Win32WindowSystem with its main window
// shown, its port a replay stand-in for the serial unit. One sample is one meter reply: its 75
// bytes are handed to the stand-in, which posts 75 notices to the window thread as the watcher
// does; the message loop then runs the delivery, OnReplyByte and DecodeReply, which replaces
// the 35 rows of the native list control.
//
// Two times per reply, from handing the bytes over: *filled*, to the return of the DataArrival
// handler that decoded the reply (the list control holds the new texts), and *painted*, to the
// return of UpdateWindow on the list control right after (its repaint of the changed rows).
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "framework/win32/win32_window_system.h"
#include "protocol/frame_codec.h"
#include "support/benchmark_main.h"
#include "support/count_options.h"
#include "support/figure_table.h"
#include "support/replay_device.h"
#include "support/require.h"
#include "support/sample_statistics.h"
#include "ui/link_lamp.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);

double MicrosecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::micro>(end - start).count();
}

// Device 1's answer to the read request: 35 register values, each different, and the checksum.
ByteSet MeterReply() {
    std::vector<std::uint8_t> bytes{1, 0x03, 2 * kRegisterCount};
    for (int address = 0; address < kRegisterCount; ++address) {
        const auto value = static_cast<std::uint16_t>(address * 1021 + 7);
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    ByteSet reply(bytes.begin(), bytes.end());
    AppendCrc(reply);
    return reply;
}

struct RunFigures {
    std::vector<double> filledUs;
    std::vector<double> paintedUs;
};

class Win32DecodeBench {
  public:
    Win32DecodeBench()
        : program_(windowSystem_.Thread(),
                   [this](SerialPort::QueueReadyPoster post) {
                       auto device = std::make_unique<ReplayDevice>(std::move(post));
                       device_ = device.get();
                       return device;
                   }),
          reply_(MeterReply()) {
        Win32WindowPeer& peer = windowSystem_.ShowWindow(program_.MainWindow());
        program_.MainWindow().Create();
        MeterControls& controls = program_.Controls();
        controls.联机按钮.Click();
        Require(controls.外形框1.FillColour() == kLampReady, "the stand-in port did not open");
        controls.设备ID.SetCurrentSelection(0);  // whatever the settings held: device 1
        controls.读取数据.Click();               // the replies answer device 1's request
        for (const auto& control : peer.ControlPeers()) {
            if (&control->Owner() == &controls.超级列表框1) {
                table_ = control->Handle();
            }
        }
        Require(table_ != nullptr, "the register table has no list control");
        SerialPort& port = controls.端口1;
        port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
            const auto t0 = Clock::now();
            handle(byte);
            if (++bytes_ % kReadReplyLength == 0) {
                filledAt_ = Clock::now();
                lastUs_ += MicrosecondsSince(t0, filledAt_);
                ++lastN_;
            }
        };
    }

    RunFigures Run(std::int64_t replies, std::int64_t warmUp) {
        for (std::int64_t i = 0; i < warmUp; ++i) {
            ReplyOnce(nullptr);
        }
        RunFigures figures;
        for (std::int64_t i = 0; i < replies; ++i) {
            ReplyOnce(&figures);
        }
        Require(program_.Controls().超级列表框1.RowCount() == kRegisterCount,
                "the table was not filled");
        return figures;
    }

  private:
    void ReplyOnce(RunFigures* figures) {
        const std::uint64_t awaited = bytes_ + kReadReplyLength;
        const Clock::time_point start = Clock::now();
        device_->Receive(reply_);
        const Clock::time_point deadline = start + kPatience;
        MSG message;
        while (bytes_ < awaited) {
            Require(Clock::now() < deadline, "a reply was not decoded in time");
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        // The table repaints once the handler running the decoding has returned: the messages
        // still waiting let it, and UpdateWindow makes the repaint happen now.
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        UpdateWindow(table_);
        const Clock::time_point painted = Clock::now();
        if (figures != nullptr) {
            figures->filledUs.push_back(MicrosecondsSince(start, filledAt_));
            figures->paintedUs.push_back(MicrosecondsSince(start, painted));
        }
    }

    Win32WindowSystem windowSystem_;
    ReplayDevice* device_ = nullptr;
    MeterProgram program_;
    ByteSet reply_;
    HWND table_ = nullptr;
    std::uint64_t bytes_ = 0;
    Clock::time_point filledAt_;

  public:
    double lastUs_ = 0;
    int lastN_ = 0;
};

int Measure(const CountOptions& options) {
    Win32DecodeBench bench;
    FigureTable table({"run", "filled p50 µs", "p99 µs", "painted p50 µs", "p99 µs", "max µs"});
    std::vector<double> allFilled;
    std::vector<double> allPainted;
    for (std::int64_t run = 0; run < options["--runs"]; ++run) {
        const RunFigures figures = bench.Run(options["--replies"], options["--warm-up"]);
        table.AddRow({std::to_string(run + 1), Fixed(Percentile(figures.filledUs, 50), 1),
                      Fixed(Percentile(figures.filledUs, 99), 1),
                      Fixed(Percentile(figures.paintedUs, 50), 1),
                      Fixed(Percentile(figures.paintedUs, 99), 1),
                      Fixed(Percentile(figures.paintedUs, 100), 1)});
        allFilled.insert(allFilled.end(), figures.filledUs.begin(), figures.filledUs.end());
        allPainted.insert(allPainted.end(), figures.paintedUs.begin(), figures.paintedUs.end());
    }
    table.AddRow({"all replies", Fixed(Percentile(allFilled, 50), 1),
                  Fixed(Percentile(allFilled, 99), 1), Fixed(Percentile(allPainted, 50), 1),
                  Fixed(Percentile(allPainted, 99), 1), Fixed(Percentile(allPainted, 100), 1)});
    std::printf(
        "Reply decoding with the Win32 window, %lld runs of %lld replies after %lld "
        "unmeasured ones:\n",
        static_cast<long long>(options["--runs"]), static_cast<long long>(options["--replies"]),
        static_cast<long long>(options["--warm-up"]));
    std::fputs(table.Render().c_str(), stdout);
    std::printf("decode handler mean %.1f us\n", bench.lastUs_ / bench.lastN_);
    return 0;
}

}  // namespace
}  // namespace tavr

int main(int argc, char** argv) {
    return tavr::RunBenchmark("tavr-bench-win32decode", argc, argv,
                              {{"--runs", 5, "runs, each a fresh count of replies"},
                               {"--replies", 500, "measured replies per run"},
                               {"--warm-up", 50, "replies before each run that are not measured"}},
                              tavr::Measure);
}
