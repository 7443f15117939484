#include "qt_test_window.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tavr {

QtTestWindow::QtTestWindow() {
    for (Control* control : std::initializer_list<Control*>{
             &hiddenBox, &readButton, &period, &autoRead, &baudRate, &table, &connectButton}) {
        control->SetTabStop(true);
    }
    hiddenBox.SetVisible(false);
    hiddenBox.SetContent("65535//50");
    readButton.SetCaption("手动读取数据");
    period.SetContent("3");
    period.SetTextAlignment(Alignment::Centre);
    autoRead.SetCaption("每     秒自动刷新数据");
    for (const char* rate : {"2400", "4800", "9600", "14400", "19200", "38400", "115200"}) {
        baudRate.AddEntry(rate, std::stoi(rate));
    }
    baudRate.SetCurrentSelection(2);
    table.AddColumn({"10进制结果", 75, Alignment::Left});
    table.AddColumn({"所对应数值", 80, Alignment::Right});
    table.AddColumn({"16进制结果", 80, Alignment::Centre});
    table.AddColumn({"数据地址位", 80, Alignment::Centre});
    table.AddColumn({"数据备注项", 360, Alignment::Left});
    caption.SetCaption("波特率：           设备ID：");
    lamp.SetShape(ShapeBox::Shape::Circle);
    comLabel.SetCaption("COM:");
    comLabel.SetFont({16, true});
    connectButton.SetCaption("联机");

    readButton.onClicked = [this] { events.push_back("read clicked"); };
    connectButton.onClicked = [this] { events.push_back("connect clicked"); };
    period.onContentChanged = [this] { events.push_back("period " + period.Content()); };
    autoRead.onClicked = [this] {
        events.push_back("auto-read " + std::to_string(autoRead.Checked()));
    };
    baudRate.onSelectionChanged = [this] { events.push_back("baud " + baudRate.Content()); };
    table.onFocusGained = [this] { events.push_back("table focus " + table.GetItemText(1)); };
    table.onRowActivated = [this] { events.push_back("row activated"); };
    table.onFocusedRowChanged = [this] {
        events.push_back("focused row " + std::to_string(table.FocusedRow()));
    };
    timer.onElapsed = [this] { events.push_back("tick"); };
}

QtTestWindow::~QtTestWindow() = default;

void QtTestWindow::Show() {
    for (std::int32_t row = 0; row < kRows; ++row) {
        table.InsertItem(row, "0000" + std::to_string(row));
        table.SetItemText(row, 3, std::to_string(row));
    }
    peer_ = &system.ShowWindow(window);
    // These tests look at what is painted, not when: every change is painted at the next round.
    TopLevel().SetRepaintFrame(std::chrono::nanoseconds::zero());
}

void QtTestWindow::Open() {
    Show();
    window.Create();
    QApplication::setActiveWindow(&TopLevel());
    if (!QTest::qWaitForWindowActive(&TopLevel())) {
        ADD_FAILURE() << "the window did not become active";
    }
}

}  // namespace tavr
