#pragma once

#include "framework/check_box.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A CheckBox as a check box button that does not tick itself: a click goes to the control,
// which flips its tick and tells its handler, and the tick shown follows the control.
class Win32CheckBoxPeer final : public Win32ControlPeer {
  public:
    Win32CheckBoxPeer(CheckBox& checkBox, HWND parent, int id);

    void TextChanged() override;
    void CheckedChanged() override;
    void Command(WORD code) override;

  private:
    CheckBox& checkBox_;
};

}  // namespace tavr
