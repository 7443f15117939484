// Reply decoding with no window: the 75 DataArrival events of one meter reply through
// OnReplyByte and DecodeReply into the register table, measured three ways: through the port's
// delivery of queued events (as the window thread runs it, without the watcher thread), through
// the DataArrival handler alone, and DecodeReply alone; plus the collection of 74 bytes, which
// stops just short of decoding.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "framework/headless_window_thread.h"
#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"
#include "support/meter_reply.h"
#include "support/replay_device.h"
#include "support/require.h"
#include "support/scratch_config_home.h"
#include "ui/main_window_layout.h"
#include "ui/meter_program.h"
#include "ui/reply_decoding.h"
#include "ui/start_up.h"

namespace tavr {
namespace {

constexpr int kRepetitions = 10;

void CheckFilled(benchmark::State& state, const ListView& table) {
    if (table.RowCount() != kRegisterCount) {
        state.SkipWithError("the table was not filled");
    }
}

// The program with no window on a replay device, connected, its read request to device 1 sent:
// every reply of device 1 is then decoded, however many follow.
class ReplayRig {
  public:
    ReplayRig()
        : program_(thread_.Thread(), [this](SerialPort::QueueReadyPoster post) {
              auto device = std::make_unique<ReplayDevice>(std::move(post));
              device_ = device.get();
              return device;
          }) {
        program_.MainWindow().Create();
        program_.Controls().联机按钮.Click();
        program_.Controls().读取数据.Click();
    }

    MeterControls& Controls() { return program_.Controls(); }
    ReplayDevice& Device() { return *device_; }
    // Lets the time pass after which a reply cut short counts as ended.
    void LetReplyEnd() { thread_.Clock().Advance(100); }
    QueuedPoster& Posts() { return thread_.Posts(); }

  private:
    ScratchConfigHome configHome_;
    HeadlessWindowThread thread_;
    ReplayDevice* device_ = nullptr;
    MeterProgram program_;
};

void ReplyThroughPortDelivery(benchmark::State& state) {
    ReplayRig rig;
    const ByteSet reply = SimulatedMeterReply();
    for (auto _ : state) {
        rig.Device().Receive(reply);
        rig.Posts().Pump();
    }
    CheckFilled(state, rig.Controls().超级列表框1);
    state.SetItemsProcessed(state.iterations() * kReadReplyLength);
}

void ReplyThroughHandler(benchmark::State& state) {
    ReplayRig rig;
    const ByteSet reply = SimulatedMeterReply();
    SerialPort& port = rig.Controls().端口1;
    for (auto _ : state) {
        for (std::uint8_t byte : reply) {
            port.onDataArrival(byte);
        }
    }
    CheckFilled(state, rig.Controls().超级列表框1);
    state.SetItemsProcessed(state.iterations() * kReadReplyLength);
}

// A click on the read button resets the collection, so the 74 bytes never complete a reply. The
// clock moves on first: a click while the reply is still arriving would send nothing.
void CollectionWithoutDecoding(benchmark::State& state) {
    ReplayRig rig;
    const ByteSet reply = SimulatedMeterReply();
    SerialPort& port = rig.Controls().端口1;
    for (auto _ : state) {
        rig.LetReplyEnd();
        rig.Controls().读取数据.Click();
        for (std::size_t i = 0; i + 1 < reply.size(); ++i) {
            port.onDataArrival(reply[i]);
        }
    }
    state.SetItemsProcessed(state.iterations() * (kReadReplyLength - 1));
}

// DecodeReply on its own, built from the same parts as the program, over a reply parsed anew
// each time as the collection does.
void DecodeReplyAlone(benchmark::State& state) {
    ScratchConfigHome configHome;
    HeadlessWindowThread thread;
    Window window(thread.Thread(), "decode", 700, 680);
    MeterControls controls = BuildMainWindow(window, nullptr);
    RegisterCatalogue catalogue;
    LinkState link;
    ReadCycle readCycle(controls, link);
    RegisterEditor editor(controls, link, catalogue, readCycle);
    ReplyDecoder decoder(controls, link, catalogue);
    window.onCreated = [&] { OnWindowCreated(controls, catalogue, editor); };
    window.Create();
    const ByteSet collected = SimulatedMeterReply();
    for (auto _ : state) {
        decoder.DecodeReply(
            ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(collected)));
    }
    CheckFilled(state, controls.超级列表框1);
}

void Configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
}

BENCHMARK(ReplyThroughPortDelivery)->Apply(Configure);
BENCHMARK(ReplyThroughHandler)->Apply(Configure);
BENCHMARK(CollectionWithoutDecoding)->Apply(Configure);
BENCHMARK(DecodeReplyAlone)->Apply(Configure);

}  // namespace
}  // namespace tavr

BENCHMARK_MAIN();
