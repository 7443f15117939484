#include "framework/win32/win32_button_peer.h"

#include "framework/win32/win32_text.h"

namespace tavr {

Win32ButtonPeer::Win32ButtonPeer(Button& button, HWND parent, int id)
    : Win32ControlPeer(button, parent, id, {WC_BUTTONW, BS_PUSHBUTTON | BS_CENTER | BS_VCENTER}),
      button_(button) {}

void Win32ButtonPeer::TextChanged() {
    SetWindowTextW(Handle(), ToWide(button_.Caption()).c_str());
}

void Win32ButtonPeer::Command(WORD code) {
    if (code == BN_CLICKED && IsAttached()) {
        button_.Click();
    }
}

}  // namespace tavr
