#include "ui/register_editing.h"

#include "protocol/frame_codec.h"
#include "runtime/to_number.h"
#include "ui/connection_settings.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

// The re-read after a write waits this long for the meter to take the new value.
constexpr std::int32_t RereadDelayMs = 100;
// Register 0000H holds the meter's own device address.
constexpr std::int32_t DeviceAddressRow = 0;

}  // namespace

RegisterEditor::RegisterEditor(MeterControls& controls, ReplyCollection& reply,
                               RegisterCatalogue& catalogue, ReadCycle& readCycle)
    : controls_(controls), reply_(reply), catalogue_(catalogue), readCycle_(readCycle) {}

void RegisterEditor::OnEditBegin(std::int32_t row) {
    textAtEditBegin_ = controls_.超级列表框1.GetItemText(row);
    controls_.时钟2.SetInterval(0);
    reply_.editMode = true;
    reply_.replyComplete = false;
    reply_.replyByteCount = 0;
}

void RegisterEditor::OnEditEnd(std::int32_t row, EditOutcome outcome) {
    const Text& confirmed = controls_.超级列表框1.EditText();
    if (outcome == EditOutcome::Cancelled || confirmed == textAtEditBegin_) {
        return;
    }
    editedRow_ = row;
    confirmedText_ = confirmed;
    writePending_ = true;
}

void RegisterEditor::OnTableFocus() {
    if (!reply_.editMode) {
        return;
    }
    WriteEditedRegister();
    controls_.时钟1.SetInterval(RereadDelayMs);
}

void RegisterEditor::OnFocusedRowChanged() {
    WriteEditedRegister();
}

void RegisterEditor::WriteEditedRegister() {
    if (!writePending_) {
        return;
    }
    writePending_ = false;
    newValue_ = LimitedValue();
    // The frame goes to the address the selector shows now, before a new address is followed.
    controls_.端口1.Send(BuildWriteRequest(readCycle_.CurrentDeviceId(), editedRow_, newValue_));
    readCycle_.NoteRequestSent();
    if (editedRow_ == DeviceAddressRow) {
        controls_.设备ID.SetCurrentSelection(newValue_ - 1);
        SaveSelection(ModbusIdPath, controls_.设备ID);
    }
    controls_.外形框1.SetFillColour(LampWaiting);
}

std::int32_t RegisterEditor::LimitedValue() const {
    const std::int32_t maximum =
        ToInteger(catalogue_.Entry(static_cast<std::uint16_t>(editedRow_)).maximum);
    std::int32_t value = ToInteger(confirmedText_);
    if (value > maximum) {
        value = maximum;
    }
    if (value < 0) {
        value = 0;
    }
    return value;
}

}  // namespace tavr
