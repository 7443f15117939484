#pragma once

#include "framework/combo_box.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A ComboBox as a drop-down-list combo box: the operator picks an entry, never types. The
// list drops down at least kDroppedHeight pixels below the selection field.
class Win32ComboBoxPeer final : public Win32ControlPeer {
  public:
    static constexpr int kDroppedHeight = 160;

    Win32ComboBoxPeer(ComboBox& comboBox, HWND parent, int id);

    void BoundsChanged() override;
    void EntriesChanged() override;
    void SelectionChanged() override;
    void Command(WORD code) override;

  private:
    void FitDroppedHeight();

    ComboBox& comboBox_;
};

}  // namespace tavr
