#include "whole_program_test.h"

#include <cstdio>

#include "protocol/frame_codec.h"
#include "serial/posix/serial_port_unit.h"

namespace tavr {

void WholeProgramTest::SetUp() {
    ConfigHomeTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    simulator_ = std::make_unique<SimulatorProcess>(
        TAVR_METER_SIM_PATH, Home(),
        std::vector<std::string>{"--com", "1", "--frozen", "--log", "-"}, kPatience);
    ASSERT_TRUE(simulator_->Started());
    ASSERT_TRUE(AwaitSimulator("ready "));
}

void WholeProgramTest::TearDown() {
    Stop();
    if (simulator_) {
        simulator_->Send("quit");
        EXPECT_EQ(simulator_->WaitForExit(), 0);
        simulator_.reset();
    }
    ConfigHomeTest::TearDown();
}

void WholeProgramTest::Start() {
    Stop();
    program_.emplace(thread_.Thread(), [](SerialPort::QueueReadyPoster post) {
        return std::make_unique<SerialPortUnit>(std::move(post));
    });
    WatchThePort();
    program_->MainWindow().Create();
}

void WholeProgramTest::Stop() {
    program_.reset();
    // Deliveries posted by a watcher that has gone find no port and do nothing.
    thread_.Posts().Pump();
}

void WholeProgramTest::WatchThePort() {
    SerialPort& port = C().端口1;
    port.onDataArrival = [this, handle = port.onDataArrival](std::int32_t byte) {
        handle(byte);
        ++bytesReceived_;
        const std::int32_t rows = C().超级列表框1.RowCount();
        if (rows != 0 && rows != kRegisterCount) {
            ++partTablesSeen_;
        }
    };
    port.onCommEvent = [this](std::int32_t code) { lineEvents_.push_back(code); };
}

bool WholeProgramTest::PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (thread_.Posts().WaitForPost(left)) {
            thread_.Posts().Pump();
        }
    }
    return true;
}

void WholeProgramTest::PumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        if (thread_.Posts().WaitForPost(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - now))) {
            thread_.Posts().Pump();
        }
    }
}

bool WholeProgramTest::Command(const std::string& command) {
    return simulator_->Send(command) && AwaitSimulator("ok ");
}

bool WholeProgramTest::AwaitSimulator(std::string_view text) {
    for (;;) {
        std::optional<std::string> line = simulator_->WaitForLine("");
        if (!line) {
            return false;
        }
        simulatorLines_.push_back(std::move(*line));
        if (simulatorLines_.back().find(text) != std::string::npos) {
            return true;
        }
    }
}

bool WholeProgramTest::SyncWithSimulator() {
    return simulator_->Send("get 0") && AwaitSimulator("value ");
}

std::size_t WholeProgramTest::SimulatorLines(std::string_view text) const {
    std::size_t count = 0;
    for (const std::string& line : simulatorLines_) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::vector<std::uint16_t> WholeProgramTest::MeterRegisters() {
    std::vector<std::uint16_t> values;
    for (int address = 0; address < kRegisterCount; ++address) {
        if (!simulator_->Send("get " + std::to_string(address)) || !AwaitSimulator("value ")) {
            ADD_FAILURE() << "the simulator did not tell register " << address;
            return {};
        }
        const std::string& answer = simulatorLines_.back();
        values.push_back(static_cast<std::uint16_t>(std::stoi(answer.substr(answer.rfind(' ')))));
    }
    return values;
}

void WholeProgramTest::ExpectTableShows(const std::vector<std::uint16_t>& values) {
    // Each row as "raw | hexadecimal | address", so that a wrong table reads as one diff.
    std::vector<std::string> expected;
    for (std::size_t row = 0; row < values.size(); ++row) {
        const unsigned value = values[row];
        char text[40];
        std::snprintf(text, sizeof text, "%05u | 0x%02X 0x%02X | 0x%04X", value, value >> 8,
                      value & 0xFF, static_cast<unsigned>(row));
        expected.emplace_back(text);
    }
    const ListView& table = C().超级列表框1;
    std::vector<std::string> shown;
    for (std::int32_t row = 0; row < table.RowCount(); ++row) {
        shown.push_back(table.GetItemText(row, 0) + " | " + table.GetItemText(row, 2) + " | " +
                        table.GetItemText(row, 3));
    }
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kRegisterCount));
    EXPECT_EQ(shown, expected);
}

std::filesystem::path WholeProgramTest::LineDevice() const {
    return std::filesystem::read_symlink(Folder() / "dosdevices" / "com1");
}

}  // namespace tavr
