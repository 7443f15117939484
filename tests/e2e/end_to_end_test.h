#pragma once

#include <QLineEdit>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/colour.h"
#include "running_program.h"
#include "settings/config_home_test.h"
#include "simulated_meter.h"

namespace tavr {

// Link lamp colours, 0x00BBGGRR.
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kGreen = 0x00FF00;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kGrey = 0x808080;

// The program with its real window (offscreen) and its real serial port unit, talking to the
// meter simulator on a pseudo-terminal, with its settings in a fresh folder. The tests act as
// the operator, with mouse clicks and keystrokes on the widgets, and wait for what the window
// shows with a generous bound.
class EndToEndTest : public ConfigHomeTest {
  protected:
    // The port number the meter's line is linked as. It is not the first entry of the port
    // selector, so a restored selection differs from the one a first run shows.
    static constexpr int kMeterPort = 3;

    void SetUp() override;
    void TearDown() override;

    // Starts the program; again after the last run's window has been closed.
    void StartProgram();
    // Replaces the meter with one started with further simulator `options`.
    void RestartMeter(const std::vector<std::string>& options);
    RunningProgram& Program() { return *program_; }
    MeterControls& C() { return program_->Controls(); }
    SimulatedMeter& Meter() { return *meter_; }

    // Operator gestures.
    void Click(const Control& control);
    void ClickAutoRead();
    // Picks the entry showing `entry` by typing it into the focused drop-down list.
    void Pick(const ComboBox& selector, const char* entry);
    void PressEscape(const Control& control);
    // Clicks the row, then presses F2 to edit its first cell; nullptr when no editor opened.
    QLineEdit* StartEdit(int row);
    // Presses Enter in the editor and delivers the confirmation that Enter queues, and nothing
    // else: no byte from the line is handled yet, so the test sees the state right after the
    // write.
    void ConfirmWithEnter(QLineEdit* editor);
    // Picks the meter's port, connects, and reads once; the table then holds all 35 rows.
    void ConnectAndRead();

    // What the window shows.
    QTableView& Table() const;
    std::string Cell(int row, int column) const;
    std::string Shown(const Control& control) const;
    // The lamp's colour at its centre, as 0x00BBGGRR.
    Colour ShownLamp() const;

    static bool WaitFor(const std::function<bool()>& condition);
    static Text Stored(std::string_view name);

  private:
    std::unique_ptr<SimulatedMeter> meter_;
    std::unique_ptr<RunningProgram> program_;
};

}  // namespace tavr
