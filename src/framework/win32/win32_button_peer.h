#pragma once

#include "framework/button.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A Button as a push button with its caption centred.
class Win32ButtonPeer final : public Win32ControlPeer {
  public:
    Win32ButtonPeer(Button& button, HWND parent, int id);

    void TextChanged() override;
    void Command(WORD code) override;

  private:
    Button& button_;
};

}  // namespace tavr
