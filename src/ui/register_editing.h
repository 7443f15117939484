#pragma once

#include <cstdint>
#include <deque>

#include "framework/list_view.h"
#include "registers/register_catalogue.h"
#include "runtime/types.h"
#include "ui/link_state.h"
#include "ui/meter_controls.h"
#include "ui/read_cycle.h"

namespace tavr {

// The operator changes a register by editing the raw value in the first cell of its row. When a
// confirmed edit has ended, the value is limited to the register's maximum and written to the
// meter; the re-read timer `时钟1` then reads all registers again. A write never talks over a
// reply: while one is arriving the write is held until the reply is complete or the line has
// been quiet for the reply gap, then sent.
class RegisterEditor {
  public:
    RegisterEditor(MeterControls& controls, LinkState& link, RegisterCatalogue& catalogue,
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
    // Sends the held writes, in the order they were confirmed, once no reply is arriving; until
    // then the hold timer `时钟3` is set for the moment the line falls quiet.
    void SendHeldWrites();

    // Window creation starts with no write pending.
    void ClearWritePending() { writePending_ = false; }

  private:
    // The confirmed text as a number, limited to 0 and the register's maximum.
    std::int32_t LimitedValue() const;

    MeterControls& controls_;
    LinkState& link_;
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
    // Write requests built but not yet sent because a reply was arriving.
    std::deque<ByteSet> heldWrites_;
};

}  // namespace tavr
