#pragma once

#include <cstdint>

#include "framework/list_view.h"
#include "registers/register_catalogue.h"
#include "ui/meter_controls.h"
#include "ui/read_cycle.h"
#include "ui/reply_collection.h"

namespace tavr {

// The operator changes a register by editing the raw value in the first cell of its row. When a
// confirmed edit has ended, the value is limited to the register's maximum and written to the
// meter; the re-read timer `时钟1` then reads all registers again.
class RegisterEditor {
  public:
    RegisterEditor(MeterControls& controls, ReplyCollection& reply, RegisterCatalogue& catalogue,
                   ReadCycle& readCycle);

    // An in-place edit begins: auto-read stops and reply bytes are no longer collected.
    void OnEditBegin(std::int32_t row);
    // The edit ended. Only a confirmed edit that changed the text leaves a write pending: a
    // cancelled one, or one confirmed with the text the cell had when it began, writes nothing,
    // since that text is a stale reading that would overwrite a live counter.
    void OnEditEnd(std::int32_t row, EditOutcome outcome);
    // The table got the focus back after an edit: the pending write goes out and the re-read
    // is armed.
    void OnTableFocus();
    // The focused row changed: a pending write goes out.
    void OnFocusedRowChanged();

    // Writes the pending value, if any, and turns the lamp red. Writing register 0000H (the
    // meter's device address) moves the device-ID selector to the new address and saves it.
    void WriteEditedRegister();

    // Window creation starts with no write pending.
    void ClearWritePending() { writePending_ = false; }

  private:
    // The confirmed text as a number, limited to 0 and the register's maximum.
    std::int32_t LimitedValue() const;

    MeterControls& controls_;
    ReplyCollection& reply_;
    RegisterCatalogue& catalogue_;
    ReadCycle& readCycle_;
    std::int32_t editedRow_ = 0;
    // The text the operator confirmed. It is what the cell holds until a decoded reply replaces
    // the row; kept here so that a reply arriving before the write can't turn the write into a
    // write-back of the value just read.
    Text confirmedText_;
    // The cell's text when the edit began.
    Text textAtEditBegin_;
    bool writePending_ = false;
    std::int32_t newValue_ = 0;
};

}  // namespace tavr
