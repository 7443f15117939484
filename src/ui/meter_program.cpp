#include "ui/meter_program.h"

#include "ui/connection_control.h"
#include "ui/main_window_layout.h"
#include "ui/start_up.h"

namespace tavr {

MeterProgram::MeterProgram(WindowThread& thread, const SerialPort::DeviceFactory& makeDevice)
    : window_(thread, Text(kMainWindowTitle), kMainWindowWidth, kMainWindowHeight),
      controls_(BuildMainWindow(window_, makeDevice)),
      readCycle_(controls_, link_),
      replyDecoder_(controls_, link_, catalogue_),
      registerEditor_(controls_, link_, catalogue_, readCycle_) {
    BindEvents();
}

MeterProgram::~MeterProgram() {
    window_.Close();
}

void MeterProgram::BindEvents() {
    window_.onCreated = [this] { OnWindowCreated(controls_, catalogue_, registerEditor_); };
    controls_.联机按钮.onClicked = [this] { OnConnectClicked(controls_, link_); };
    controls_.读取数据.onClicked = [this] { readCycle_.OnManualRead(); };
    controls_.隔几秒.onContentChanged = [this] { readCycle_.OnPeriodChanged(); };
    controls_.自动读取选择框.onClicked = [this] { readCycle_.OnAutoReadToggled(); };
    controls_.时钟1.onElapsed = [this] { readCycle_.OnRereadTick(); };
    controls_.时钟2.onElapsed = [this] { readCycle_.OnAutoReadTick(); };
    controls_.时钟3.onElapsed = [this] { registerEditor_.SendHeldWrites(); };
    controls_.端口1.onDataArrival = [this](std::int32_t byte) {
        replyDecoder_.OnReplyByte(byte);
        registerEditor_.SendHeldWrites();
    };
    controls_.超级列表框1.onEditBegin = [this](std::int32_t row) -> std::optional<bool> {
        registerEditor_.OnEditBegin(row);
        return std::nullopt;
    };
    controls_.超级列表框1.onEditEnd = [this](std::int32_t row,
                                             EditOutcome outcome) -> std::optional<bool> {
        registerEditor_.OnEditEnd(row, outcome);
        return std::nullopt;
    };
    controls_.超级列表框1.onFocusedRowChanged = [this] { registerEditor_.OnFocusedRowChanged(); };
    controls_.超级列表框1.onFocusGained = [this] { registerEditor_.OnTableFocus(); };
}

}  // namespace tavr
