#include "framework/win32/win32_check_box_peer.h"

#include "framework/win32/win32_text.h"

namespace tavr {

Win32CheckBoxPeer::Win32CheckBoxPeer(CheckBox& checkBox, HWND parent, int id)
    : Win32ControlPeer(checkBox, parent, id, {WC_BUTTONW, BS_CHECKBOX | BS_VCENTER}),
      checkBox_(checkBox) {}

void Win32CheckBoxPeer::TextChanged() {
    SetWindowTextW(Handle(), ToWide(checkBox_.Caption()).c_str());
}

void Win32CheckBoxPeer::CheckedChanged() {
    SendMessageW(Handle(), BM_SETCHECK, checkBox_.Checked() == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32CheckBoxPeer::Command(WORD code) {
    if (code == BN_CLICKED && IsAttached()) {
        checkBox_.Click();
        if (IsAttached()) {
            CheckedChanged();
        }
    }
}

}  // namespace tavr
