#include "ui/register_editing.h"

#include "protocol/frame_codec.h"
#include "runtime/to_number.h"
#include "ui/connection_settings.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

// The re-read after a write waits this long for the meter to take the new value.
constexpr std::int32_t kRereadDelayMs = 100;
// Register 0000H holds the meter's own device address.
constexpr std::int32_t kDeviceAddressRow = 0;

}  // namespace

RegisterEditor::RegisterEditor(MeterControls& controls, LinkState& link,
                               RegisterCatalogue& catalogue, ReadCycle& readCycle)
    : controls_(controls), link_(link), catalogue_(catalogue), readCycle_(readCycle) {}

void RegisterEditor::OnEditBegin(std::int32_t row) {
    textAtEditBegin_ = controls_.超级列表框1.GetItemText(row);
    controls_.时钟2.SetInterval(0);
    link_.PauseCollection();
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
    if (!link_.CollectionPaused()) {
        return;
    }
    WriteEditedRegister();
    controls_.时钟1.SetInterval(kRereadDelayMs);
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
    heldWrites_.push_back(BuildWriteRequest(readCycle_.CurrentDeviceId(), editedRow_, newValue_));
    if (editedRow_ == kDeviceAddressRow) {
        controls_.设备ID.SetCurrentSelection(newValue_ - 1);
        SaveSelection(kModbusIdPath, controls_.设备ID);
    }
    SendHeldWrites();
}

void RegisterEditor::SendHeldWrites() {
    if (heldWrites_.empty()) {
        return;
    }
    const std::int64_t now = controls_.window.Thread().Now();
    if (link_.Arriving(now)) {
        controls_.时钟3.SetInterval(static_cast<std::int32_t>(link_.QuietIn(now)));
        return;
    }
    controls_.时钟3.SetInterval(0);
    for (const ByteSet& frame : heldWrites_) {
        controls_.端口1.Send(frame);
        link_.BeginWrite(now);
    }
    heldWrites_.clear();
    PaintLamp(controls_, link_);
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
