#include "support/meter_bench_rig.h"

#include "serial/posix/serial_port_unit.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

std::vector<std::string> SimulatorCommandLine(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--com", std::to_string(MeterBenchRig::kComPort)});
    return arguments;
}

}  // namespace

MeterBenchRig::MeterBenchRig(Setup setup)
    : simulator_(TAVR_METER_SIM_PATH, configHome_.Path(),
                 SimulatorCommandLine(std::move(setup.simulatorArguments))),
      onNoticePosted_(std::move(setup.onNoticePosted)) {
    Require(simulator_.Started(), "cannot start " TAVR_METER_SIM_PATH);
    Require(simulator_.WaitForLine("ready ").has_value(), "the simulator offered no line");
    program_ = std::make_unique<MeterProgram>(thread_.Thread(), UnitFactory());
    Controls().超级列表框1.AttachPeer(&tableWatch_);
    program_->MainWindow().Create();
}

SerialPort::DeviceFactory MeterBenchRig::UnitFactory() const {
    return [hook = onNoticePosted_](SerialPort::QueueReadyPoster post) {
        if (!hook) {
            return std::make_unique<SerialPortUnit>(std::move(post));
        }
        return std::make_unique<SerialPortUnit>([hook, post = std::move(post)] {
            hook();
            post();
        });
    };
}

std::filesystem::path MeterBenchRig::ComLink() const {
    return configHome_.Path() / "TAVR_12864" / "dosdevices" / ("com" + std::to_string(kComPort));
}

bool MeterBenchRig::Connect() {
    Controls().串口号.SetCurrentSelection(kComPort - 1);
    Controls().联机按钮.Click();
    return Controls().外形框1.FillColour() == kLampReady;
}

bool MeterBenchRig::Disconnect() {
    Controls().联机按钮.Click();
    return Controls().外形框1.FillColour() == kLampDisconnected;
}

bool MeterBenchRig::Command(const std::string& command) {
    return simulator_.Send(command) && simulator_.WaitForLine("ok ").has_value();
}

bool MeterBenchRig::PumpUntil(const std::function<bool()>& done,
                              std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (Posts().WaitForPost(left)) {
            Posts().Pump();
        }
    }
    return true;
}

bool MeterBenchRig::StopSimulator() {
    simulator_.Send("quit");
    return simulator_.WaitForExit() == 0;
}

}  // namespace tavr
