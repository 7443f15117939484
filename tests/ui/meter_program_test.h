#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/headless_window_thread.h"
#include "read_reply.h"
#include "recording_port.h"
#include "settings/config_home_test.h"
#include "settings/registry.h"
#include "ui/meter_program.h"

namespace tavr {

// Link lamp colours as the operator sees them.
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kGreen = 0x00FF00;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kGrey = 0x808080;

// A frame as hexadecimal bytes separated by blanks, e.g. "01 03 00 00 00 23 04 13".
inline std::string Hex(const ByteSet& frame) {
    std::string text;
    for (const std::uint8_t byte : frame) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += text.empty() ? "" : " ";
        text += digits;
    }
    return text;
}

// The whole program with no window: its main window built from the layout on a headless window
// thread, its port a recording stand-in, its settings in a fresh folder. Tests act as the
// operator through the control objects and the stand-in line.
class MeterProgramTest : public ConfigHomeTest {
  protected:
    void TearDown() override {
        program_.reset();
        ConfigHomeTest::TearDown();
    }

    // Starts the program (again): builds the main window and raises its created event.
    void Start() {
        program_.reset();
        program_.emplace(headless_.Thread(), [this](SerialPort::QueueReadyPoster post) {
            auto made = std::make_unique<RecordingPort>(std::move(post));
            port_ = made.get();
            return made;
        });
        program_->MainWindow().Create();
    }

    MeterControls& C() { return program_->Controls(); }
    RecordingPort& Port() { return *port_; }
    Colour Lamp() { return C().外形框1.FillColour(); }

    void ClickConnect() { C().联机按钮.Click(); }
    void ClickRead() { C().读取数据.Click(); }
    // The meter sends `bytes`; the window thread delivers them.
    void Receive(const ByteSet& bytes) {
        Port().Receive(bytes);
        headless_.Posts().Pump();
    }
    void Advance(std::int64_t milliseconds) { headless_.Clock().Advance(milliseconds); }
    std::int64_t Now() { return headless_.Clock().Now(); }
    std::int64_t NextTick(const Timer& timer) { return headless_.Clock().NextTick(timer); }

    std::vector<std::string> Sent() const {
        std::vector<std::string> frames;
        for (const ByteSet& frame : port_->sent) {
            frames.push_back(Hex(frame));
        }
        return frames;
    }

    std::vector<Text> Row(std::int32_t row) {
        std::vector<Text> cells;
        for (std::int32_t column = 0; column < 5; ++column) {
            cells.push_back(C().超级列表框1.GetItemText(row, column));
        }
        return cells;
    }

    static Text Stored(std::string_view name) {
        return ReadRegistryText(RegistryRoot::CurrentUser,
                                "Software\\TAVR_12864\\" + std::string(name));
    }

    // The operator edits the first cell of `row`, types `typed` and confirms with Enter; the
    // focus has not come back to the table yet.
    void ConfirmEdit(std::int32_t row, Text typed) {
        ListView& table = C().超级列表框1;
        ASSERT_TRUE(table.BeginEdit(row));
        table.TypeEditText(std::move(typed));
        table.ConfirmEdit();
    }

  private:
    HeadlessWindowThread headless_;
    std::optional<MeterProgram> program_;
    RecordingPort* port_ = nullptr;
};

// The program connected to device 1, after one read whose answer filled the table: the lamp is
// green and no frame is on record.
class ConnectedProgramTest : public MeterProgramTest {
  protected:
    void SetUp() override {
        MeterProgramTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Start();
        ClickConnect();
        ClickRead();
        Receive(ReplyFrame(Registers({{0x00, 1}, {0x09, 500}})));
        ASSERT_EQ(C().超级列表框1.RowCount(), 35);
        ASSERT_EQ(Lamp(), kGreen);
        Port().sent.clear();
    }
};

}  // namespace tavr
