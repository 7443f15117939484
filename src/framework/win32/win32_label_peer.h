#pragma once

#include "framework/label.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A Label as a static text: left-aligned, vertically centred on one line, no prefix
// characters. A label with a font of its own gets that font, made for the Chinese character
// set with no face name (the system picks the face); the others keep the window's default font.
class Win32LabelPeer final : public Win32ControlPeer {
  public:
    Win32LabelPeer(Label& label, HWND parent, int id);
    ~Win32LabelPeer() override;

    void TextChanged() override;
    void FontChanged() override;

  private:
    Label& label_;
    HFONT font_ = nullptr;
};

}  // namespace tavr
